#include "server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

namespace korvalind::testing {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ServerProcess::ServerProcess(const std::string& program, const std::vector<std::string>& args,
                             const std::string& address) {
  std::signal(SIGPIPE, SIG_IGN);
  int err[2];
  if (pipe(err) != 0) return;
  std::string listen =
      (address.find(':') != std::string::npos ? "[" + address + "]" : address) + ":0";
  pid_ = fork();
  if (pid_ == 0) {
    dup2(err[1], 2);
    close(err[0]);
    close(err[1]);
    std::vector<std::string> all = {program, "serve", "--listen", listen};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(all.size() + 1);
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(err[1]);
  err_ = err[0];
  fcntl(err_, F_SETFL, O_NONBLOCK);
  if (!WaitForLog("listening on ", 10000)) return;
  size_t line = log_.find("listening on ");
  size_t colon = log_.find(" (", line);
  colon = log_.rfind(':', colon);
  port_ = std::atoi(log_.c_str() + colon + 1);
}

ServerProcess::~ServerProcess() {
  if (pid_ > 0 && Wait(0) == -2) {
    kill(pid_, SIGKILL);
    Wait(10000);
  }
  if (err_ >= 0) close(err_);
}

void ServerProcess::Signal(int signal) const { kill(pid_, signal); }

int ServerProcess::Wait(int timeout_ms) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (status_ == -2) {
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (Clock::now() >= deadline) break;
    ReadLog(20);
  }
  return status_;
}

const std::string& ServerProcess::log() {
  ReadLog(0);
  return log_;
}

bool ServerProcess::WaitForLog(std::string_view text, int timeout_ms) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (log_.find(text) == std::string::npos) {
    if (Clock::now() >= deadline || err_ < 0) return false;
    ReadLog(RemainingMs(deadline));
  }
  return true;
}

void ServerProcess::ReadLog(int timeout_ms) {
  if (err_ < 0) return;
  pollfd fd = {err_, POLLIN, 0};
  if (poll(&fd, 1, timeout_ms) <= 0) return;
  char buffer[4096];
  ssize_t n;
  while ((n = read(err_, buffer, sizeof buffer)) > 0) log_.append(buffer, static_cast<size_t>(n));
  if (n == 0) {
    close(err_);
    err_ = -1;
  }
}

std::string HttpResponse::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key == name) return value;
  }
  return "";
}

HttpConnection::HttpConnection(int port, const std::string& address, int receive_buffer) {
  bool v6 = address.find(':') != std::string::npos;
  fd_ = socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  if (receive_buffer > 0) {
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  }
  int rc;
  if (v6) {
    sockaddr_in6 to{};
    to.sin6_family = AF_INET6;
    to.sin6_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET6, address.c_str(), &to.sin6_addr);
    rc = connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to);
  } else {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    rc = connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  if (rc != 0) {
    close(fd_);
    fd_ = -1;
  }
}

HttpConnection::~HttpConnection() {
  if (fd_ >= 0) close(fd_);
}

bool HttpConnection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void HttpConnection::CloseSending() { shutdown(fd_, SHUT_WR); }

bool HttpConnection::Fill(int timeout_ms) {
  pollfd fd = {fd_, POLLIN, 0};
  if (poll(&fd, 1, timeout_ms) <= 0) return false;
  char buffer[65536];
  ssize_t n = recv(fd_, buffer, std::min(sizeof buffer, pace_bytes_), 0);
  if (n <= 0) return false;
  buffer_.append(buffer, static_cast<size_t>(n));
  if (pace_ms_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pace_ms_));
  return true;
}

bool HttpConnection::Read(HttpResponse* response, int timeout_ms, bool head) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  size_t end;
  while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) {
    if (!Fill(RemainingMs(deadline))) return false;
  }
  *response = HttpResponse{};
  std::string head_text = buffer_.substr(0, end);
  response->status = std::atoi(head_text.c_str() + head_text.find(' ') + 1);
  size_t line = head_text.find("\r\n");
  size_t length = 0;
  while (line != std::string::npos) {
    size_t next = head_text.find("\r\n", line + 2);
    std::string field =
        head_text.substr(line + 2, next == std::string::npos ? std::string::npos : next - line - 2);
    size_t colon = field.find(':');
    std::string name = field.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string value = colon == std::string::npos ? "" : field.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    if (name == "content-length") length = std::strtoul(value.c_str(), nullptr, 10);
    response->headers.emplace_back(name, value);
    line = next;
  }
  buffer_.erase(0, end + 4);
  if (head || response->status == 100) length = 0;
  if (!head && response->Header("transfer-encoding") == "chunked") {
    // Chunks up to the last one (size 0); false when the connection ends before it.
    while (true) {
      size_t line_end;
      while ((line_end = buffer_.find("\r\n")) == std::string::npos) {
        if (!Fill(RemainingMs(deadline))) return false;
      }
      size_t size = std::strtoul(buffer_.c_str(), nullptr, 16);
      while (buffer_.size() < line_end + 2 + size + 2) {
        if (!Fill(RemainingMs(deadline))) return false;
      }
      response->body.append(buffer_, line_end + 2, size);
      buffer_.erase(0, line_end + 2 + size + 2);
      if (size == 0) return true;
    }
  }
  if (!head && response->status != 100 && response->status != 204 && response->status != 304 &&
      response->Header("content-length").empty()) {
    // Neither length nor chunks: the body ends with the connection.
    while (Fill(RemainingMs(deadline))) {
    }
    length = buffer_.size();
  }
  while (buffer_.size() < length) {
    if (!Fill(RemainingMs(deadline))) return false;
  }
  response->body = buffer_.substr(0, length);
  buffer_.erase(0, length);
  return true;
}

bool HttpConnection::ClosedByPeer(int timeout_ms) {
  pollfd fd = {fd_, POLLIN, 0};
  if (poll(&fd, 1, timeout_ms) <= 0) return false;
  char byte;
  return recv(fd_, &byte, 1, MSG_PEEK) <= 0;
}

HttpResponse Fetch(int port, std::string_view method, std::string_view target,
                   std::string_view body, std::string_view content_type) {
  HttpConnection connection(port);
  std::string request = std::string(method) + " " + std::string(target) +
                        " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  if (!content_type.empty()) request += "Content-Type: " + std::string(content_type) + "\r\n";
  if (!body.empty() || method == "POST") {
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  }
  request += "\r\n";
  request += body;
  HttpResponse response;
  if (!connection.Send(request) || !connection.Read(&response, 10000, method == "HEAD")) {
    return HttpResponse{};
  }
  return response;
}

}  // namespace korvalind::testing
