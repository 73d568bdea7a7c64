#pragma once
// A small HTTP server inside the test: 127.0.0.1 on a port of its own, one
// connection at a time, answering every request with the reply it was given.
// It is bounded: it stops when destroyed or, at the latest, after kLifetime,
// and never blocks for longer than a poll interval.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

struct HttpReply {
  int status = 200;
  std::string body;
  // Above 0: the body goes in chunks of this size (chunked transfer
  // encoding), so the client reads it in many parts.
  std::size_t chunk = 0;
  // Accept the connection, read the request and never answer.
  bool silent = false;
};

class HttpServer {
 public:
  static constexpr std::chrono::seconds kLifetime{60};

  explicit HttpServer(HttpReply reply) : reply_(std::move(reply)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listen_, 4) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      return;
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~HttpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listen_ >= 0) ::close(listen_);
  }
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int Port() const { return port_; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // The requests seen so far, each its request line and headers.
  std::vector<std::string> Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  // Waits for fd to be readable, a poll interval at a time; false when the
  // server is to stop.
  bool Wait(int fd, std::chrono::steady_clock::time_point end) {
    while (!stop_ && std::chrono::steady_clock::now() < end) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 50) > 0) return true;
    }
    return false;
  }

  void Send(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  void Serve() {
    const auto end = std::chrono::steady_clock::now() + kLifetime;
    std::vector<int> held;  // connections a silent server keeps open
    while (Wait(listen_, end)) {
      const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::string request;
      char buf[4096];
      while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && Wait(fd, end)) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<std::size_t>(n));
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
      }
      if (reply_.silent) {
        held.push_back(fd);
        continue;
      }
      Answer(fd);
      ::close(fd);
    }
    for (int fd : held) ::close(fd);
  }

  void Answer(int fd) {
    const char* reason = reply_.status == 200 ? "OK" : reply_.status == 404 ? "Not Found" : "Error";
    std::string head = "HTTP/1.1 " + std::to_string(reply_.status) + " " + reason + "\r\nConnection: close\r\n";
    if (reply_.chunk == 0) {
      Send(fd, head + "Content-Length: " + std::to_string(reply_.body.size()) + "\r\n\r\n" + reply_.body);
      return;
    }
    Send(fd, head + "Transfer-Encoding: chunked\r\n\r\n");
    for (std::size_t at = 0; at < reply_.body.size(); at += reply_.chunk) {
      const std::string piece = reply_.body.substr(at, reply_.chunk);
      char size[32];
      std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
      Send(fd, size + piece + "\r\n");
    }
    Send(fd, "0\r\n\r\n");
  }

  HttpReply reply_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace test_support
