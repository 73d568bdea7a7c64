#include "lorvex/trace_socket.h"

#include "lorvex/lorvex_view.h"
#include "lorvex/main_frame.h"
#include "platform/afx/app.h"
#include "platform/afx/atom.h"

CTraceSocket::~CTraceSocket() { Close(); }

void CTraceSocket::Open(bool tellThePerson) {
  Close();
  plat::ipc::ReceiverOpen opened = plat::ipc::TraceReceiver::Open();
  openError_ = opened.error;
  if (!opened.receiver) {
    if (tellThePerson) {
      if (opened.error == plat::ipc::OpenError::kInUse) {
        afx::AfxMessageBox(kSocketInUseText, plat::MB_OK | plat::MB_ICONINFORMATION);
      } else {
        afx::AfxMessageBox(std::string(kSocketFailedText) + "\n" + opened.message,
                           plat::MB_OK | plat::MB_ICONEXCLAMATION);
      }
    }
    return;
  }
  receiver_ = std::move(opened.receiver);
  if (plat::Application* loop = plat::Application::Current()) {
    watch_ = loop->AddFdWatch(receiver_->fd(), [this] { Drain(); });
  }
}

void CTraceSocket::Close() {
  if (watch_ != 0) {
    if (plat::Application* loop = plat::Application::Current()) loop->RemoveFdWatch(watch_);
    watch_ = 0;
  }
  receiver_.reset();
}

std::size_t CTraceSocket::Drain() {
  if (!receiver_) return 0;
  afx::CWnd* window = FindTraceWindow();
  const std::uint64_t id = window ? window->Id() : 0;
  return receiver_->Drain([this, id](const plat::ipc::TraceDatagram& message) {
    // A handler may have closed the window meanwhile.
    if (DeliverTraceMessage(dynamic_cast<afx::CWnd*>(plat::Component::FromId(id)), message) == 0) ++undelivered_;
  });
}

afx::CWnd* FindTraceWindow() {
  plat::Application* loop = plat::Application::Current();
  if (!loop) return nullptr;
  for (plat::Window* top : loop->TopLevelWindows()) {
    auto* frame = dynamic_cast<afx::CWnd*>(top);
    if (!frame || frame->GetWindowClass() != kLorvexWindowClass) continue;
    for (int i = 0; i < frame->GetControlCount(); ++i) {
      auto* child = dynamic_cast<afx::CWnd*>(frame->Controls(i));
      if (child && child->GetWindowText() == kTraceWindowText) return child;
    }
  }
  return nullptr;
}

afx::LRESULT DeliverTraceMessage(afx::CWnd* window, const plat::ipc::TraceDatagram& message) {
  if (!window) return 0;
  const std::uint32_t msg = plat::RegisterWindowMessage(plat::ipc::MessageName(message.message));
  const auto wParam = static_cast<afx::WPARAM>(static_cast<std::uint32_t>(message.wparam));
  if (!plat::ipc::CarriesText(message.message)) {
    return window->SendMessage(msg, wParam, static_cast<afx::LPARAM>(message.lparam));
  }
  // The sender's part: the atom exists while the message is handled and
  // goes afterwards. An empty text makes no atom; the handler then reads none.
  const afx::ATOM atom = afx::GlobalAddAtomA(message.text);
  if (atom == 0 && !message.text.empty()) return 0;
  const afx::LRESULT result = window->SendMessage(msg, wParam, static_cast<afx::LPARAM>(atom));
  if (atom != 0) afx::GlobalDeleteAtom(atom);
  return result;
}
