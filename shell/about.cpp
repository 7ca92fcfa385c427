#include "shell/about.hpp"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>

#include "panel/qt/look.hpp"
#include "shell/jpeg_decode.hpp"

// The resources live in a static library: make sure they are linked in and registered.
static void InitResources() { Q_INIT_RESOURCE(kv74); }

namespace kv74::shell {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 273;

const char kMemoText[] =
    "Emulator of the KV-74 lathe controller: develop and try\n"
    "its firmware and operate its panel on a desktop computer.\n"
    "Made by the KV-74 emulator team.";

QImage ErrorPicture(const QString& message) {
  QImage img(kWidth, 205, QImage::Format_RGB32);
  img.fill(QColor(128, 128, 128));
  QPainter p(&img);
  p.setPen(Qt::white);
  p.drawText(img.rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
             "The board picture cannot be shown: " + message);
  return img;
}

// The box that was built last.
QPointer<Tabout> about;

}  // namespace

QImage Tabout::BoardPicture(QString* error) {
  InitResources();
  QFile file(":/about/board.jpg");
  QByteArray bytes;
  if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
  RgbPicture picture;
  std::string message = "the picture is missing";
  if (!bytes.isEmpty() && DecodeJpeg({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())},
                                     &picture, &message)) {
    QImage img(picture.rgb.data(), picture.width, picture.height, picture.width * 3,
               QImage::Format_RGB888);
    return img.copy();
  }
  if (error) *error = QString::fromStdString(message);
  return ErrorPicture(QString::fromStdString(message));
}

Tabout::Tabout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("about");
  setWindowTitle("ABOUT");
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(true);
  setFont(qt::PanelFont(11));
  setFixedSize(kWidth, kHeight);
  move(192, 107);

  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName("Memo1");
  memo_->setGeometry(0, 0, 397, 63);
  memo_->setReadOnly(true);
  memo_->setFont(qt::PanelFont(13));
  memo_->setPlainText(kMemoText);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo_->setContextMenuPolicy(Qt::NoContextMenu);
  QPalette pal = memo_->palette();
  pal.setColor(QPalette::Base, qt::look::kScrollBar);
  memo_->setPalette(pal);

  image_ = new QLabel(this);
  image_->setObjectName("Image1");
  image_->setGeometry(1, 64, 399, 209);
  image_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image_->setPixmap(QPixmap::fromImage(BoardPicture()));

  for (QObject* o : {static_cast<QObject*>(memo_), static_cast<QObject*>(memo_->viewport()),
                     static_cast<QObject*>(image_)})
    o->installEventFilter(this);
  memo_->setFocus();
}

void Tabout::KaboutClick(QWidget* parent) {
  about = new Tabout(parent);
  about->exec();
}

bool Tabout::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: close(); return true;
    default: return QDialog::eventFilter(watched, event);
  }
}

void Tabout::keyPressEvent(QKeyEvent*) { close(); }

void Tabout::mousePressEvent(QMouseEvent*) { close(); }

}  // namespace kv74::shell
