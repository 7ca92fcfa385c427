#include "shell/application.hpp"

#include <QMessageBox>
#include <QPalette>
#include <QStyleFactory>
#include <cstdio>
#include <exception>

#include "panel/qt/look.hpp"
#include "panel/surface.hpp"

namespace kv74::shell {
namespace {

void ApplyClassicLook() {
  for (const QString& style : {QString("Windows"), QString("Fusion")}) {
    if (QStyleFactory::keys().contains(style, Qt::CaseInsensitive)) {
      QApplication::setStyle(QStyleFactory::create(style));
      break;
    }
  }
  const QColor face = qt::FromBgr(colour::BUTTON_FACE);
  QPalette pal(face);
  pal.setColor(QPalette::Window, face);
  pal.setColor(QPalette::Button, face);
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::Text, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::black);
  pal.setColor(QPalette::ButtonText, Qt::black);
  pal.setColor(QPalette::Light, Qt::white);
  pal.setColor(QPalette::Midlight, QColor(223, 223, 223));
  pal.setColor(QPalette::Mid, QColor(160, 160, 160));
  pal.setColor(QPalette::Dark, QColor(128, 128, 128));
  pal.setColor(QPalette::Shadow, QColor(64, 64, 64));
  pal.setColor(QPalette::Highlight, QColor(0, 0, 128));
  pal.setColor(QPalette::HighlightedText, Qt::white);
  pal.setColor(QPalette::ToolTipBase, qt::look::kTooltipBackground);
  pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
  pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
  QApplication::setPalette(pal);
  QApplication::setFont(qt::PanelFont(11));
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("KV7402");
  setApplicationVersion(KV74_VERSION);
  setQuitOnLastWindowClosed(false);
  ApplyClassicLook();
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowError(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    ShowError("unknown error");
  }
  return false;
}

void Application::ShowError(const QString& message) {
  std::fprintf(stderr, "kv74: %s\n", message.toLocal8Bit().constData());
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") return;  // nobody to press OK
  QMessageBox::critical(nullptr, QCoreApplication::applicationName(), message);
}

}  // namespace kv74::shell
