#include "platform/vcl/Icons.h"

#include <QApplication>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QPainter>
#include <QStyle>

#include "platform/vcl/Controls.h"
#include "platform/winpath.h"

namespace {
constexpr int kIconSize = 32;
}

QIcon ExtractAssociatedIcon(const std::string& fileName) {
  const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(HostPath(fileName).string())));
  const QIcon icon = QFileIconProvider().icon(file);
  return icon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon) : icon;
}

void DrawIcon(TImage& image, int x, int y, const QIcon& icon) {
  QPixmap canvas = image.pixmap();
  if (canvas.isNull()) {
    canvas = QPixmap(image.size());
    canvas.fill(Qt::transparent);
  }
  {
    QPainter painter(&canvas);
    // A theme without an icon of that size gives a smaller one; it is stretched.
    painter.drawPixmap(QRect(x, y, kIconSize, kIconSize), icon.pixmap(kIconSize, kIconSize));
  }
  image.setPixmap(canvas);
}
