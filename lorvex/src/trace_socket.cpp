#include "lorvex/trace_socket.h"

#include "lorvex/lorvex_view.h"
#include "lorvex/main_frame.h"
#include "platform/afx/app.h"
#include <array>
#include <cstdio>

#include <string>

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
  receiver_->OnLoss = [this](const plat::ipc::LossReport& r) { TellLoss(r); };
  if (plat::Application* loop = plat::Application::Current()) {
    watch_ = loop->AddFdWatch(receiver_->fd(), [this] { Drain(); });
  }
}

void CTraceSocket::TellLoss(const plat::ipc::LossReport& r) {
  using std::to_string;
  std::string line;
  if (r.pid != 0) {
    line = "lorvex: " + to_string(r.atSender + r.withoutViewer) + " trace records of process " + to_string(r.pid) +
           " never arrived: " + to_string(r.atSender) + " dropped by the client, " + to_string(r.withoutViewer) +
           " sent before it reached a viewer";
  } else {
    line = "lorvex: trace records lost so far: " + to_string(r.atSender) + " dropped by clients, " +
           to_string(r.withoutViewer) + " sent before they reached a viewer, " + to_string(r.rejected) +
           " refused here";
  }
  if (LossLog) LossLog(line);
  else std::fprintf(stderr, "%s\n", line.c_str());
}

void CTraceSocket::Close() {
  if (receiver_) receiver_->ReportLosses();
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
  std::uint64_t destructions = plat::Component::Destructions();
  return receiver_->Drain([&](const plat::ipc::TraceDatagram& message) {
    // A handler may have closed the window meanwhile.
    if (plat::Component::Destructions() != destructions) {
      window = dynamic_cast<afx::CWnd*>(plat::Component::FromId(id));
      destructions = plat::Component::Destructions();
    }
    if (DeliverTraceMessage(window, message) == 0) ++undelivered_;
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
  // The six registered numbers, looked up once.
  static const auto numbers = [] {
    std::array<std::uint32_t, plat::ipc::kMessageCount> n{};
    for (std::size_t i = 0; i < n.size(); ++i)
      n[i] = plat::RegisterWindowMessage(plat::ipc::MessageName(static_cast<plat::ipc::TraceMessage>(i)));
    return n;
  }();
  const std::uint32_t msg = numbers[static_cast<std::size_t>(message.message)];
  const auto wParam = static_cast<afx::WPARAM>(static_cast<std::uint32_t>(message.wparam));
  if (!plat::ipc::CarriesText(message.message)) {
    return window->SendMessage(msg, wParam, static_cast<afx::LPARAM>(message.lparam));
  }
  // The sender's part: its text is readable while the message is handled,
  // as an atom's name would be - handed over in place, no atom made.
  const InPlaceText text(message.text);
  return window->SendMessage(msg, wParam, kInPlaceText);
}
