// SPDX-License-Identifier: GPL-3.0-or-later
// bench_gui_bare_window: the smallest Qt Widgets program that shows a
// window, the yardstick of bench_gui_start. Built with the same compiler,
// flags and Qt as tarcfg, with the same start-up probe linked in.
//
//   bench_gui_bare_window [--text]
//
// With --text the window holds one line of text, so Qt sets up its fonts
// before the window is shown, as it does for any window with text in it.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(400, 300);
  if (argc > 1 && std::strcmp(argv[1], "--text") == 0)
    new QLabel(QStringLiteral("Routers"), &window);
  window.show();
  return app.exec();
}
