// SPDX-License-Identifier: MIT
// A Qt text field (built for Qt 5 and Qt 6) that reports what it holds: every
// change as "<realtime us> TEXT '<text>'", and "FINAL '<text>'" on Return,
// then quits, or with "stay" empties the field and waits for the next line.
// With "menubar" the field sits under a menu bar, as in an editor: Qt opens
// that menu bar on a lone Alt, which is logged as "<realtime us> MENU <title>"
// and every change of the focused widget as "<realtime us> FOCUS <class>".
// PROBE_TEXT in the environment is already in the field, the caret after it.
//   qt-probe TITLE [menubar] [stay]
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
long long realtimeMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}
bool hasArgument(int argc, char** argv, const char* name) {
  for (int i = 2; i < argc; ++i)
    if (!std::strcmp(argv[i], name)) return true;
  return false;
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool stay = hasArgument(argc, argv, "stay");
  QMainWindow window;
  auto* field = new QLineEdit;
  window.setCentralWidget(field);
  if (const char* text = std::getenv("PROBE_TEXT")) field->setText(QString::fromUtf8(text));
  window.setWindowTitle(argc > 1 ? argv[1] : "qt-probe");
  if (hasArgument(argc, argv, "menubar")) {
    for (const char* title : {"&File", "&Edit"}) window.menuBar()->addMenu(title)->addAction("&Quit");
    QObject::connect(window.menuBar(), &QMenuBar::hovered, [](QAction* action) {
      std::printf("%lld MENU %s\n", realtimeMicroseconds(), action->text().toUtf8().constData());
      std::fflush(stdout);
    });
    QObject::connect(&app, &QApplication::focusChanged, [](QWidget*, QWidget* now) {
      std::printf("%lld FOCUS %s\n", realtimeMicroseconds(), now ? now->metaObject()->className() : "none");
      std::fflush(stdout);
    });
  }
  QObject::connect(field, &QLineEdit::textChanged, [](const QString& text) {
    std::printf("%lld TEXT '%s'\n", realtimeMicroseconds(), text.toUtf8().constData());
    std::fflush(stdout);
  });
  QObject::connect(field, &QLineEdit::returnPressed, [&] {
    std::printf("%lld FINAL '%s'\n", realtimeMicroseconds(), field->text().toUtf8().constData());
    std::fflush(stdout);
    if (stay) {
      field->clear();
    } else {
      app.quit();
    }
  });
  window.resize(400, 80);
  window.show();
  window.activateWindow();
  field->setFocus();
  return app.exec();
}
