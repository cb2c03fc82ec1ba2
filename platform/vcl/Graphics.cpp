#include "platform/vcl/Graphics.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {

// The classic Windows scheme.
QColor SystemColor(int index) {
  switch (index) {
    case 0x05: return QColor(255, 255, 255);  // window
    case 0x08: return QColor(0, 0, 0);        // window text
    case 0x0F: return QColor(192, 192, 192);  // button face
    case 0x10: return QColor(128, 128, 128);  // button shadow
    case 0x14: return QColor(255, 255, 255);  // button highlight
    case 0x18: return QColor(255, 255, 225);  // tooltip background
    default: return QColor(192, 192, 192);
  }
}

}  // namespace

QColor ColorToQColor(TColor color) {
  const uint32_t value = static_cast<uint32_t>(color);
  if ((value & 0xFF000000u) == 0xFF000000u) return SystemColor(static_cast<int>(value & 0xFF));
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

TColor StringToColor(const std::string& name) {
  static const std::pair<const char*, TColor> kNames[] = {
      {"clBlack", clBlack},     {"clGreen", clGreen},           {"clRed", clRed},
      {"clWhite", clWhite},     {"clBtnFace", clBtnFace},       {"clWindow", clWindow},
      {"clWindowText", clWindowText}, {"clInfoBk", clInfoBk},   {"clBtnShadow", clBtnShadow},
      {"clBtnHighlight", clBtnHighlight}};
  for (const auto& [known, color] : kNames)
    if (name == known) return color;
  return clBlack;
}

QFont FontOf(const char* family, int height, bool bold, bool italic) {
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(height < 0 ? -height : height);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

QFont DefaultFormFont() { return FontOf("MS Sans Serif", -11); }

void ApplyClassicLook() {
  // Liberation Sans keeps Arial's metrics, so the fixed-size labels of the forms
  // hold their texts as they were laid out.
  QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
  QApplication::setStyle(QStyleFactory::create("Windows"));
  QPalette palette = QApplication::style()->standardPalette();
  palette.setColor(QPalette::Window, ColorToQColor(clBtnFace));
  palette.setColor(QPalette::Button, ColorToQColor(clBtnFace));
  palette.setColor(QPalette::Base, ColorToQColor(clWindow));
  palette.setColor(QPalette::WindowText, ColorToQColor(clWindowText));
  palette.setColor(QPalette::Text, ColorToQColor(clWindowText));
  palette.setColor(QPalette::ButtonText, ColorToQColor(clWindowText));
  palette.setColor(QPalette::Highlight, QColor(0, 0, 128));
  palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  palette.setColor(QPalette::Light, ColorToQColor(clBtnHighlight));
  palette.setColor(QPalette::Dark, ColorToQColor(clBtnShadow));
  palette.setColor(QPalette::ToolTipBase, ColorToQColor(clInfoBk));
  QApplication::setPalette(palette);
  QApplication::setFont(DefaultFormFont());
}
