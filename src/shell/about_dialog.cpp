// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/about_dialog.h"

#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace tarcfg {
namespace {

// A small router: a box with two status lights and an antenna-free plug.
QPixmap DrawFallback(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(QColor(0, 0, 128));
  QPainter painter(&pixmap);
  painter.setPen(Qt::white);
  painter.drawRect(2, height / 3, width - 5, height / 3);
  painter.fillRect(6, height / 2 - 1, 3, 3, Qt::green);
  painter.fillRect(12, height / 2 - 1, 3, 3, Qt::yellow);
  return pixmap;
}

// The pictures are PNG files among the program's resources and are read as
// such. Left to find the format itself, Qt first asks every image plugin
// whether it reads "png", loading the JPEG plugin and its library on the
// way: some 6 ms of the start-up for two small pictures.
QPixmap LoadOrDraw(const QString& path, int width, int height) {
  QImageReader reader(path, "png");
  reader.setAutoDetectImageFormat(false);
  const QPixmap pixmap = QPixmap::fromImage(reader.read());
  return pixmap.isNull() ? DrawFallback(width, height) : pixmap;
}

}  // namespace

QPixmap ProgramIcon() {
  return LoadOrDraw(QStringLiteral(":/icons/tarcfg.png"), 32, 32);
}

QPixmap MainWindowPicture() {
  return LoadOrDraw(QStringLiteral(":/icons/picture.png"), 96, 72);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutDialog"));
  setWindowTitle(tr("About TARCFG"));
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon());
  auto* product = new QLabel(QStringLiteral("Tarnex Router"), this);
  product->setObjectName(QStringLiteral("productName"));
  auto* version =
      new QLabel(tr("Configuration Software V%1").arg(QStringLiteral(TARCFG_VERSION)), this);
  version->setObjectName(QStringLiteral("versionLine"));
  auto* ok = new QPushButton(tr("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(product, 0, 1);
  layout->addWidget(version, 1, 1);
  layout->addWidget(ok, 0, 2, Qt::AlignTop);
  setFixedSize(sizeHint());
}

}  // namespace tarcfg
