#pragma once
// The viewer's end of the trace socket. Opened at start on the window
// thread and watched by the loop: each readable burst is drained at once (the
// kernel holds only so much), and every message taken goes to the view window
// as its registered message, handled exactly as if a client had sent it
// there. Datagrams that are truncated, malformed, of another protocol version
// or from another user are dropped and counted by the receiver.
//
// Records that never reached the viewer - dropped by a client (its queue
// full, or before it found a viewer) or refused here - are counted by the
// receiver and told on standard error (the desktop session's log): for each
// client when it disconnects, in total at most every few seconds while the
// losses grow, and once more when the viewer ends.
//
// One viewer of a user receives. A viewer that finds the socket in use runs
// on without receiving traces; when a person started it, it says so once.
// A socket left by a viewer that died is replaced.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/afx/window.h"
#include "platform/ipc/trace_receiver.h"

// The text a viewer shows when another one of the user already receives.
inline constexpr const char* kSocketInUseText = "Ein anderer Lorvex empf\xc3\xa4ngt bereits die Trace-Meldungen.";
// The start of what it shows when the socket cannot be opened at all.
inline constexpr const char* kSocketFailedText = "Lorvex kann keine Trace-Meldungen empfangen.";

class CTraceSocket {
 public:
  CTraceSocket() = default;
  ~CTraceSocket();
  CTraceSocket(const CTraceSocket&) = delete;
  CTraceSocket& operator=(const CTraceSocket&) = delete;

  // Opens the receiver in the user's socket directory and watches it. With
  // tellThePerson a failure is shown in a box (once: this is the only try).
  void Open(bool tellThePerson);
  void Close();
  bool Receiving() const { return receiver_ != nullptr; }
  plat::ipc::OpenError OpenResult() const { return openError_; }
  // What the receiver counted (null while not receiving).
  const plat::ipc::ReceiveStats* Stats() const { return receiver_ ? &receiver_->Stats() : nullptr; }
  // Reads what is queued now and delivers it; answers the number delivered.
  std::size_t Drain();
  // Messages the receiver took that found no window to handle them (the
  // view already gone) or whose text could not be made an atom: lost here,
  // and counted.
  std::uint64_t Undelivered() const { return undelivered_; }
  // Where the loss lines go (one line each, without its line end); by
  // default standard error.
  std::function<void(const std::string&)> LossLog;

 private:
  void TellLoss(const plat::ipc::LossReport& report);
  std::unique_ptr<plat::ipc::TraceReceiver> receiver_;
  plat::ipc::OpenError openError_ = plat::ipc::OpenError::kNone;
  int watch_ = 0;
  std::uint64_t undelivered_ = 0;
};

// The window that trace messages go to: the child window "Sallowmere Window"
// of the viewer's frame (class "Lorvex 230174"); null when there is none.
afx::CWnd* FindTraceWindow();

// Sends one message to the window as its registered message; a text travels
// as an atom that lives while the message is handled. Answers the handler's
// result (0 without a window, or when a text cannot be made an atom: then
// nothing is sent).
afx::LRESULT DeliverTraceMessage(afx::CWnd* window, const plat::ipc::TraceDatagram& message);
