// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the GUI start programs: notes the moment the expected
// top-level window is first exposed (really on screen) and ends the program.
//
// Q_COREAPP_STARTUP_FUNCTION runs when the QApplication is constructed, so
// the program's own main() stays exactly as it is. The probe watches every
// Expose through an application-wide event filter. When the first exposed
// top-level widget is of the class named in $BENCH_PROBE_CLASS, it writes
// "shown <CLOCK_MONOTONIC ns>" to file descriptor $BENCH_PROBE_FD (the
// driver's pipe) and quits every event loop; any other window first (a
// message box) is written as "unexpected <class>" and ends the run too.
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_common.h"

namespace {

class ExposeProbe : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (done_ || event->type() != QEvent::Expose)
      return false;
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window || !window->isExposed())
      return false;
    QWidget* widget = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->windowHandle() == window)
        widget = top;
    if (!widget)
      return false;
    done_ = true;
    const std::int64_t now = bench::NowNs();
    const char* expected = std::getenv("BENCH_PROBE_CLASS");
    const char* name = widget->metaObject()->className();
    std::string line = expected && std::string(name) == expected
                           ? "shown " + std::to_string(now) + "\n"
                           : "unexpected " + std::string(name) + "\n";
    const char* fd = std::getenv("BENCH_PROBE_FD");
    (void)!::write(fd ? std::atoi(fd) : STDOUT_FILENO, line.data(), line.size());
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    return false;
  }

 private:
  bool done_ = false;
};

void InstallExposeProbe() {
  qApp->installEventFilter(new ExposeProbe(qApp));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallExposeProbe)
