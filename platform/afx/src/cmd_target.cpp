#include "platform/afx/cmd_target.h"

#include "platform/ui/application.h"

namespace afx {

namespace detail {
// The automation layer forgets an object that goes away while clients could still reach it.
void AutomationObjectDestroyed(CCmdTarget* target);
}  // namespace detail

const MessageMapEntry* MessageMap::Find(EntryKind kind, UINT id) const {
  for (const MessageMap* map = this; map; map = map->base) {
    for (const MessageMapEntry& e : map->entries) {
      if (e.kind == kind && e.id == id) return &e;
    }
  }
  return nullptr;
}

const MessageMapEntry* MessageMap::FindControl(UINT code, UINT id) const {
  for (const MessageMap* map = this; map; map = map->base) {
    for (const MessageMapEntry& e : map->entries) {
      if (e.kind == EntryKind::kControl && e.id == id && e.code == code) return &e;
    }
  }
  return nullptr;
}

const DispatchEntry* DispatchMap::Find(const std::string& name) const {
  for (const DispatchEntry& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

void CCmdUI::Enable(BOOL on) {
  enabled_ = on != FALSE;
  enableChanged_ = true;
}

void CCmdUI::SetCheck(int check) { checked_ = check; }

void CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler) {
  enableChanged_ = false;
  if (!target) return;
  target->OnCmdMsg(m_nID, CmdCode::kUpdateCommandUI, this);
  if (!enableChanged_ && disableIfNoHandler) {
    const bool handled = target->OnCmdMsg(m_nID, CmdCode::kCommand, nullptr, true) != FALSE;
    Enable(handled ? TRUE : FALSE);
    enableChanged_ = false;  // the framework's answer, not a handler's
  }
}

CCmdTarget::~CCmdTarget() {
  if (automation_) detail::AutomationObjectDestroyed(this);
}

const MessageMap* CCmdTarget::GetMessageMap() const {
  static const MessageMap map{nullptr, {}};
  return &map;
}

BOOL CCmdTarget::DispatchOwnCommand(UINT id, CmdCode code, CCmdUI* ui, bool probe) {
  const EntryKind kind = code == CmdCode::kCommand ? EntryKind::kCommand : EntryKind::kUpdateCommand;
  const MessageMapEntry* e = GetMessageMap()->Find(kind, id);
  if (!e) return FALSE;
  if (probe) return TRUE;
  if (kind == EntryKind::kUpdateCommand && !ui) return FALSE;
  // An escaping exception ends in the standard box, as for every handler.
  bool ran = false;
  if (plat::Application* app = plat::Application::Current()) {
    app->Dispatch([&] {
      ran = true;
      e->call(*this, 0, 0, ui);
    });
  } else {
    ran = true;
    e->call(*this, 0, 0, ui);
  }
  return ran ? TRUE : FALSE;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui, bool probe) {
  return DispatchOwnCommand(id, code, ui, probe);
}

void CCmdTarget::ExternalAddRef() { ++externalRefs_; }

void CCmdTarget::ExternalRelease() {
  if (externalRefs_ <= 0) return;
  if (--externalRefs_ == 0) OnFinalRelease();
}

}  // namespace afx
