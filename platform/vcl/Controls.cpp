#include "platform/vcl/Controls.h"

#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/sysutils.h"
#include "platform/vcl/Forms.h"

namespace {

// The character a key press types, as the ANSI character a handler sees; 0
// when it types none.
char TypedCharacter(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Return: case Qt::Key_Enter: return '\r';
    case Qt::Key_Backspace: return '\b';
    case Qt::Key_Escape: return '\x1b';
    default: break;
  }
  const std::string ansi = Utf8ToCp1252(event.text().left(1).toStdString());
  const bool unmappable = ansi.empty() || (ansi[0] == '?' && event.text() != "?");
  return unmappable ? 0 : ansi[0];
}

}  // namespace

QString CaptionText(const std::string& caption) { return QString::fromStdString(CrToLineFeed(caption)); }

TButton::TButton(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, &TButton::Clicked);
}

void TButton::Clicked() {
  Guarded([&] {
    if (modalResult_ != 0)
      if (auto* form = qobject_cast<TForm*>(window())) form->SetModalResult(modalResult_);
    emit OnClick(this);
  });
}

TLabel::TLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TLabel::SetCaption(const std::string& caption) {
  setText(CaptionText(caption));
  FitText();
}

void TLabel::FitText() {
  if (!autoSize_) return;
  if (wordWrap()) {
    resize(width(), heightForWidth(width()));
  } else {
    resize(sizeHint());
  }
}

bool TLabel::event(QEvent* event) {
  if (event->type() == QEvent::Polish) FitText();
  return QLabel::event(event);
}

void TLabel::setFontHeight(int height) {
  QFont own = font();
  own.setPixelSize(height < 0 ? -height : height);
  setFont(own);
}

void TLabel::setAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  FitText();
}

void TLabel::SetFontColor(TColor color) {
  QPalette own = palette();
  own.setColor(QPalette::WindowText, ColorToQColor(color));
  setPalette(own);
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, [this] { Guarded([&] { emit OnChange(this); }); });
}

void TEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  Guarded([&] { emit OnExit(this); });
}

void TEdit::keyPressEvent(QKeyEvent* event) {
  const char typed = TypedCharacter(*event);
  if (typed == 0) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  char key = typed;
  Guarded([&] { emit OnKeyPress(this, key); });
  if (key == typed) {
    QLineEdit::keyPressEvent(event);
  } else if (key != 0) {
    const QString text = QString::fromStdString(Cp1252ToUtf8(std::string(1, key)));
    QKeyEvent changed(event->type(), 0, event->modifiers(), text);
    QLineEdit::keyPressEvent(&changed);
  }
}

TRadioButton::TRadioButton(QWidget* parent) : QRadioButton(parent) {
  connect(this, &QRadioButton::toggled, this, [this](bool checked) {
    if (checked) Guarded([&] { emit OnClick(this); });
  });
}

void TPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawText(rect(), Qt::AlignCenter, caption_);
}

TImage::TImage(QWidget* parent) : QLabel(parent) { setAlignment(Qt::AlignLeft | Qt::AlignTop); }

void TBevel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(ColorToQColor(clBtnShadow));
  painter.drawLine(0, 0, width() - 1, 0);
  painter.setPen(ColorToQColor(clBtnHighlight));
  painter.drawLine(0, 1, width() - 1, 1);
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TMemo::setColor(const QString& color) {
  color_ = color;
  QPalette own = palette();
  own.setColor(QPalette::Base, ColorToQColor(StringToColor(color.toStdString())));
  setPalette(own);
}

void TMemo::LoadFromFile(const std::string& fileName) {
  std::string bytes;
  if (!ReadWholeFile(fileName, bytes, kCapacity)) throw EFOpenError("Cannot open file \"" + fileName + "\"");
  QStringList lines = QString::fromStdString(DecodeAnsiText(bytes)).split(QRegularExpression("\r\n|\r|\n"));
  // A line break ends a line; only text after the last one makes another.
  if (lines.back().isEmpty()) lines.removeLast();
  setPlainText(lines.join('\n'));
  lineCount_ = static_cast<int>(lines.size());
}

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) { setTextVisible(false); }
