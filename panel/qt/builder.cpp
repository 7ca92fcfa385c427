#include "panel/qt/builder.hpp"

#include <QGroupBox>
#include <QWidget>
#include <stdexcept>

#include "panel/controls.hpp"
#include "panel/qt/decor.hpp"
#include "panel/qt/field.hpp"
#include "panel/qt/indicator.hpp"
#include "panel/qt/key_faces.hpp"
#include "panel/qt/lamp.hpp"
#include "panel/qt/layout.hpp"
#include "panel/qt/look.hpp"
#include "panel/qt/panel_key.hpp"

namespace kv74::qt {
namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The background of PU: the system colour for inactive caption text, silver on the classic
// desktop.
const QColor kInactiveCaptionText(192, 192, 192);

QWidget* MakeContainer(const ContainerInfo& c, QWidget* parent) {
  QString name = Q(c.name);
  switch (c.kind) {
    case ContainerKind::GroupBox: {
      auto* box = new QGroupBox(Q(c.caption), parent);
      box->setObjectName(name);
      return box;
    }
    case ContainerKind::RaisedPanel:
    case ContainerKind::LoweredPanel: {
      auto* frame = new QFrame(parent);
      frame->setObjectName(name);
      frame->setFrameStyle(
          QFrame::Panel | (c.kind == ContainerKind::RaisedPanel ? QFrame::Raised : QFrame::Sunken));
      frame->setLineWidth(1);
      return frame;
    }
    case ContainerKind::KadrPicture: return new Decoration(name, DecorKind::KadrPicture, parent);
    case ContainerKind::DigitPictograms:
      return new Decoration(name, DecorKind::DigitPictograms, parent);
  }
  throw std::logic_error("unknown container kind");
}

int CaptionPixels(std::string_view caption) {
  if (caption == "*") return 35;
  if (caption == "+45" || caption == "-45") return 16;
  return 21;
}

PanelKey* MakeKey(const ControlInfo& info, QWidget* parent) {
  auto* key = new PanelKey(Q(info.name), parent);
  if (info.picture != KeyPicture::None) {
    int size = info.name == "k0x2E" ? 25 : 32;
    key->setIcon(KeyPictureIcon(info.picture, size));
    key->setIconSize(QSize(size, size));
  } else {
    key->setText(Q(info.caption));
    key->setFont(PanelFont(info.kind == ControlKind::Button ? 11 : CaptionPixels(info.caption),
                           info.kind != ControlKind::Button || info.caption == "x2"));
  }
  if (info.kind == ControlKind::JogToggle || info.kind == ControlKind::Toggle)
    key->setCheckable(true);
  if (info.name == "Button1") {
    key->setVisible(false);
    key->setEnabled(false);
  }
  return key;
}

QWidget* MakeControl(const ControlInfo& info, const Place& place, QWidget* parent) {
  QString name = Q(info.name);
  switch (info.kind) {
    case ControlKind::Key:
    case ControlKind::JogToggle:
    case ControlKind::Toggle:
    case ControlKind::Button: return MakeKey(info, parent);
    case ControlKind::Indicator: {
      auto* ind = new DigitIndicator(name, parent);
      ind->SetCaption(std::string(info.caption));
      return ind;
    }
    case ControlKind::SignalLamp:
    case ControlKind::FrameLamp:
    case ControlKind::OutputLamp:
    case ControlKind::InputLamp: {
      auto* lamp = new Lamp(name, info.colour, parent);
      lamp->SetCaption(std::string(info.caption));
      if (info.kind == ControlKind::SignalLamp) lamp->setFont(PanelFont(16, true));
      lamp->SetClickable(info.kind == ControlKind::InputLamp);
      return lamp;
    }
    case ControlKind::Field: {
      auto* field = new ValueField(name, parent);
      field->setText(Q(info.caption));
      if (info.name == "kom") field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      return field;
    }
    case ControlKind::Label: {
      auto* label = new PanelLabel(name, parent);
      label->setText(Q(info.caption));
      bool letter = place.parent == "new_pult";
      if (letter) label->setFont(PanelFont(24, true));
      label->setAlignment(
          letter ? Qt::AlignCenter
                 : (place.parent == "Kadr" ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter));
      return label;
    }
  }
  throw std::logic_error("unknown control kind");
}

}  // namespace

BuiltPanel BuildPanel(QWidget* form) {
  BuiltPanel built;
  for (const Place& place : PanelPlaces()) {
    std::string name(place.name);
    if (built.widgets.count(name) != 0) throw std::logic_error("placed twice: " + name);
    QWidget* parent = form;
    if (!place.parent.empty()) {
      auto it = built.widgets.find(place.parent);
      if (it == built.widgets.end()) throw std::logic_error("parent not yet placed: " + name);
      parent = it->second;
    }
    QWidget* widget = nullptr;
    if (const ContainerInfo* c = FindContainer(place.name)) {
      widget = MakeContainer(*c, parent);
    } else if (const ControlInfo* info = FindControlInfo(place.name)) {
      widget = MakeControl(*info, place, parent);
    } else {
      throw std::logic_error("no such control or container: " + name);
    }
    widget->setGeometry(place.x, place.y, place.w, place.h);
    built.widgets.emplace(name, widget);
  }
  if (QWidget* pu = built.widgets["PU"]) {
    pu->setFont(PanelFont(11, true));
    pu->setAutoFillBackground(true);
    QPalette pal = pu->palette();
    pal.setColor(QPalette::Window, kInactiveCaptionText);
    pu->setPalette(pal);
  }
  return built;
}

}  // namespace kv74::qt
