#pragma once
// The controls of the forms, as Qt widgets with the properties and events the
// forms' layouts name. Forms use them as promoted widgets; each event passes
// its sender first and runs guarded, so that an error ends only its handler.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "platform/vcl/Graphics.h"

// Text of a Windows caption: "\r" starts a new line.
QString CaptionText(const std::string& caption);

class TButton : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(int Tag READ Tag WRITE setTag)
  Q_PROPERTY(int ModalResult READ ModalResult WRITE setModalResult)
  Q_PROPERTY(bool Cancel READ Cancel WRITE setCancel)
  Q_PROPERTY(bool Default READ Default WRITE setDefault)

 public:
  explicit TButton(QWidget* parent = nullptr);
  int Tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  // Clicking the button gives its form this modal result before OnClick runs.
  int ModalResult() const { return modalResult_; }
  void setModalResult(int result) { modalResult_ = result; }
  // Esc presses the cancel button, Enter the default one.
  bool Cancel() const { return cancel_; }
  void setCancel(bool cancel) { cancel_ = cancel; }
  bool Default() const { return default_; }
  void setDefault(bool isDefault) { default_ = isDefault; }

 signals:
  void OnClick(QObject* Sender);

 private:
  void Clicked();
  int tag_ = 0;
  int modalResult_ = 0;
  bool cancel_ = false;
  bool default_ = false;
};

class TLabel : public QLabel {
  Q_OBJECT
  Q_PROPERTY(int FontHeight READ FontHeight WRITE setFontHeight)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)

 public:
  explicit TLabel(QWidget* parent = nullptr);
  void SetCaption(const std::string& caption);
  std::string Caption() const { return text().toStdString(); }
  // A negative height is the character height in pixels.
  int FontHeight() const { return -font().pixelSize(); }
  void setFontHeight(int height);
  // The label takes the size of its text (a word-wrapped one only its height)
  // when it is first shown and on each change of its caption; on by default.
  bool AutoSize() const { return autoSize_; }
  void setAutoSize(bool autoSize);
  void SetFontColor(TColor color);

 protected:
  bool event(QEvent* event) override;

 private:
  void FitText();
  bool autoSize_ = true;
};

class TEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TEdit(QWidget* parent = nullptr);
  std::string Text() const { return text().toStdString(); }
  void SetText(const std::string& text) { setText(QString::fromStdString(text)); }

 signals:
  void OnChange(QObject* Sender);
  void OnExit(QObject* Sender);
  // Key is the typed character; a handler may change it.
  void OnKeyPress(QObject* Sender, char& Key);

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class TRadioButton : public QRadioButton {
  Q_OBJECT

 public:
  explicit TRadioButton(QWidget* parent = nullptr);
  bool Checked() const { return isChecked(); }

 signals:
  void OnClick(QObject* Sender);
};

class TGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  using QGroupBox::QGroupBox;
};

// A panel shows its caption in its middle, under whatever covers it.
class TPanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)

 public:
  using QWidget::QWidget;
  QString Caption() const { return caption_; }
  void setCaption(const QString& caption) { caption_ = caption; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

// A picture drawn at its natural size at the control's top left.
class TImage : public QLabel {
  Q_OBJECT

 public:
  explicit TImage(QWidget* parent = nullptr);
};

// An etched line along the control's top edge.
class TBevel : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A text with both scroll bars and no word wrap.
class TMemo : public QPlainTextEdit {
  Q_OBJECT
  Q_PROPERTY(QString Color READ Color WRITE setColor)

 public:
  explicit TMemo(QWidget* parent = nullptr);
  QString Color() const { return color_; }
  void setColor(const QString& color);

  // The memo holds at most this much text.
  static constexpr std::size_t kCapacity = 16 * 1024 * 1024;
  // Replaces the text by that of an ANSI text file; CR LF, CR and LF alone
  // break lines. Raises when the file cannot be read or does not fit.
  void LoadFromFile(const std::string& fileName);
  // The lines the text makes, a last empty one not counted.
  int LineCount() const { return lineCount_; }

 private:
  QString color_ = "clWindow";
  int lineCount_ = 0;
};

class TProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit TProgressBar(QWidget* parent = nullptr);
};
