// SPDX-License-Identifier: MIT
// A Qt 6 text field that reports what it holds: every change as
// "<realtime us> TEXT '<text>'", and "FINAL '<text>'" on Return, then quits.
//   qt-probe TITLE
#include <QApplication>
#include <QLineEdit>
#include <chrono>
#include <cstdio>

namespace {
long long realtimeMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLineEdit field;
  field.setWindowTitle(argc > 1 ? argv[1] : "qt-probe");
  QObject::connect(&field, &QLineEdit::textChanged, [](const QString& text) {
    std::printf("%lld TEXT '%s'\n", realtimeMicroseconds(), text.toUtf8().constData());
    std::fflush(stdout);
  });
  QObject::connect(&field, &QLineEdit::returnPressed, [&] {
    std::printf("%lld FINAL '%s'\n", realtimeMicroseconds(), field.text().toUtf8().constData());
    std::fflush(stdout);
    app.quit();
  });
  field.resize(300, 40);
  field.show();
  field.activateWindow();
  field.setFocus();
  return app.exec();
}
