#pragma once
// Colours and fonts of the classic Windows look.
#include <cstdint>
#include <string>

#include <QColor>
#include <QFont>

// 0x00BBGGRR for a plain colour; the system colours carry the high byte 0xFF.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);
constexpr TColor clWindow = static_cast<TColor>(0xFF000005);
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008);
constexpr TColor clInfoBk = static_cast<TColor>(0xFF000018);
constexpr TColor clBtnShadow = static_cast<TColor>(0xFF000010);
constexpr TColor clBtnHighlight = static_cast<TColor>(0xFF000014);

QColor ColorToQColor(TColor color);
// A colour by the name a form's layout gives it ("clInfoBk"); clBlack when unknown.
TColor StringToColor(const std::string& name);

// A font by its family and its height in the form's terms: a negative height
// is the character height in pixels.
QFont FontOf(const char* family, int height, bool bold = false, bool italic = false);

// "MS Sans Serif" with height -11, the font of every form.
QFont DefaultFormFont();

// Qt's built-in Windows style, the classic palette, and the Windows font names
// mapped to installed fonts of the same metrics.
void ApplyClassicLook();
