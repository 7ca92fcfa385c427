// The about box: a line about what the program is for, a credit, and a picture of the
// controller's board. Modal, without border icons; any key or mouse press closes it, and it is
// destroyed when it closes.
#pragma once

#include <QDialog>
#include <QImage>

class QPlainTextEdit;
class QLabel;

namespace kv74::shell {

class Tabout final : public QDialog {
 public:
  explicit Tabout(QWidget* parent = nullptr);

  // KaboutClick: builds a new box and shows it modally; returns once it has closed.
  static void KaboutClick(QWidget* parent);

  // The board picture carried with the program, decoded; a grey picture with the error's text
  // when it cannot be decoded.
  static QImage BoardPicture(QString* error = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QPlainTextEdit* memo_;
  QLabel* image_;
};

}  // namespace kv74::shell
