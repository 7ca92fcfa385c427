#include "panel/qt/builder.hpp"

#include <QGroupBox>
#include <QWidget>
#include <stdexcept>
#include <vector>

#include "panel/appearance.hpp"
#include "panel/controls.hpp"
#include "panel/qt/decor.hpp"
#include "panel/qt/field.hpp"
#include "panel/qt/indicator.hpp"
#include "panel/qt/key_faces.hpp"
#include "panel/qt/lamp.hpp"
#include "panel/qt/look.hpp"
#include "panel/qt/panel_key.hpp"

namespace kv74::qt {
namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QFont FontOf(const TextStyle& style) { return PanelFont(style.pixels, style.bold); }

Qt::Alignment AlignmentOf(const TextStyle& style) {
  return style.align == Align::Left ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
}

QWidget* MakeContainer(const ControlInfo& c, QWidget* parent) {
  QString name = Q(c.name);
  switch (c.kind) {
    case ControlKind::GroupBox: {
      auto* box = new QGroupBox(Q(c.caption), parent);
      box->setObjectName(name);
      return box;
    }
    case ControlKind::RaisedPanel:
    case ControlKind::LoweredPanel: {
      auto* frame = new QFrame(parent);
      frame->setObjectName(name);
      frame->setFrameStyle(QFrame::Panel |
                           (c.kind == ControlKind::RaisedPanel ? QFrame::Raised : QFrame::Sunken));
      frame->setLineWidth(1);
      return frame;
    }
    default: return new Decoration(name, c.picture, parent);
  }
}

PanelKey* MakeKey(const ControlInfo& info, QWidget* parent) {
  auto* key = new PanelKey(Q(info.name), parent);
  if (const int size = PictureSize(info); size != 0) {
    key->setIcon(KeyPictureIcon(info.picture, size));
    key->setIconSize(QSize(size, size));
  } else {
    key->setText(Q(info.caption));
  }
  if (info.kind == ControlKind::JogToggle || info.kind == ControlKind::Toggle)
    key->setCheckable(true);
  if (IsHidden(info)) {
    key->setVisible(false);
    key->setEnabled(false);
  }
  return key;
}

QWidget* MakeControl(const ControlInfo& info, QWidget* parent) {
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
      lamp->SetClickable(info.kind == ControlKind::InputLamp);
      if (const int n = PortLampNumber(info); n >= 0) lamp->SetNumber(n);
      return lamp;
    }
    case ControlKind::Field: {
      auto* field = new ValueField(name, parent);
      field->setText(Q(info.caption));
      field->setAlignment(AlignmentOf(TextStyleOf(info)));
      return field;
    }
    case ControlKind::Label: {
      auto* label = new PanelLabel(name, parent);
      label->setText(Q(info.caption));
      label->setAlignment(AlignmentOf(TextStyleOf(info)));
      return label;
    }
    default: throw std::logic_error("not a control: " + std::string(info.name));
  }
}

}  // namespace

BuiltPanel BuildPanel(QWidget* form) {
  BuiltPanel built;
  // A framed key comes before its frame lamp in the table: it waits for a later pass.
  std::vector<const ControlInfo*> pending;
  for (const ControlInfo& item : PanelItems()) pending.push_back(&item);
  while (!pending.empty()) {
    std::vector<const ControlInfo*> later;
    for (const ControlInfo* item : pending) {
      std::string name(item->name);
      if (built.widgets.count(name) != 0) throw std::logic_error("placed twice: " + name);
      QWidget* parent = form;
      if (!item->place.parent.empty()) {
        auto it = built.widgets.find(item->place.parent);
        if (it == built.widgets.end()) {
          later.push_back(item);
          continue;
        }
        parent = it->second;
      }
      QWidget* widget =
          IsContainer(item->kind) ? MakeContainer(*item, parent) : MakeControl(*item, parent);
      if (item->kind != ControlKind::Indicator) widget->setFont(FontOf(TextStyleOf(*item)));
      const Place& at = item->place;
      widget->setGeometry(at.x, at.y, at.w, at.h);
      built.widgets.emplace(name, widget);
    }
    if (later.size() == pending.size())
      throw std::logic_error("no parent for " + std::string(later.front()->name));
    pending = std::move(later);
  }
  if (QWidget* pu = built.widgets["PU"]) {
    pu->setAutoFillBackground(true);
    QPalette pal = pu->palette();
    pal.setColor(QPalette::Window, FromBgr(appearance::PU));
    pu->setPalette(pal);
  }
  return built;
}

}  // namespace kv74::qt
