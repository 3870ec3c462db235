#include "serve/server.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "serve/event_log.h"
#include "serve/folder_watch.h"
#include "serve/request_checks.h"
#include "serve/router.h"

namespace korvalind::serve {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using boost::system::error_code;

constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
// How long a closing connection keeps reading what the client still sends, so that the client
// gets the answer before the connection is reset.
constexpr auto kLingerTime = std::chrono::seconds(1);
// How often the directory's folder is looked at besides its events.
constexpr auto kFolderPoll = std::chrono::seconds(2);
// A read buffer or answer piece larger than this is given back once its request is done.
constexpr size_t kKeptBufferBytes = 64 * 1024;

class Session;

// One event loop and everything that belongs to it; only its own thread touches it.
struct Worker {
  Worker(const DirectorySlot& slot, Metrics* metrics, size_t index, bool expose_paths)
      : router(slot, metrics, index, expose_paths), sweep(context) {}

  // Destroyed in reverse: the loop (and the connections its pending work holds) goes before
  // the set those connections leave and the router they use.
  Router router;
  std::unordered_set<Session*> sessions;
  size_t closed_since_trim = 0;
  bool stopping = false;
  asio::io_context context{1};
  asio::steady_timer sweep;
};

std::string_view View(beast::string_view text) { return {text.data(), text.size()}; }

std::string EndpointText(const tcp::endpoint& endpoint) {
  std::string address = endpoint.address().to_string();
  if (endpoint.address().is_v6()) address = "[" + address + "]";
  return address + ":" + std::to_string(endpoint.port());
}

// The request target for the access log: printable ASCII kept, other bytes as \xHH.
std::string LoggedTarget(std::string_view target) {
  std::string out;
  for (char c : target.substr(0, 256)) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F && byte != '\\' && byte != '"') {
      out += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    }
  }
  if (target.size() > 256) out += "...";
  return out;
}

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, Worker* worker, const ServerSettings& settings,
          const HostFilter& hosts, Metrics* metrics)
      : socket_(std::move(socket)),
        worker_(*worker),
        settings_(settings),
        hosts_(hosts),
        metrics_(*metrics) {}

  ~Session() {
    worker_.sessions.erase(this);
    ++worker_.closed_since_trim;
    metrics_.CountConnection(-1);
  }

  void Start() {
    worker_.sessions.insert(this);
    ReadRequest();
  }

  // Shutting down: a connection waiting for a request is closed now, one inside a request after
  // its answer.
  void Finish() {
    if (idle_ && buffer_.size() == 0) Close();
  }

  void CloseIfLate(Clock::time_point now) {
    // The parser hands nothing back before a whole header is in: bytes in the buffer are how a
    // request that began shows, and from then on the read deadline holds.
    if (idle_ && buffer_.size() != 0) {
      idle_ = false;
      deadline_ = std::min(deadline_, now + settings_.read_timeout);
    }
    if (now > deadline_) Close();
  }

 private:
  void ReadRequest() {
    parser_.emplace();
    parser_->header_limit(kMaxHeaderBytes);
    parser_->body_limit(kMaxBodyBytes);
    header_checked_ = false;
    idle_ = buffer_.size() == 0;
    if (idle_ && worker_.stopping) {
      Close();
      return;
    }
    // A connection waiting between requests keeps no large buffer from the last one.
    if (idle_ && buffer_.capacity() > kKeptBufferBytes) buffer_.shrink_to_fit();
    deadline_ = Clock::now() + (idle_ ? settings_.idle_timeout : settings_.read_timeout);
    ReadSome();
  }

  void ReadSome() {
    http::async_read_some(socket_, buffer_, *parser_,
                          [self = shared_from_this()](error_code ec, size_t) { self->OnRead(ec); });
  }

  void OnRead(error_code ec) {
    if (ec) {
      OnReadError(ec);
      return;
    }
    if (idle_) {
      idle_ = false;
      deadline_ = Clock::now() + settings_.read_timeout;
    }
    if (parser_->is_header_done() && !header_checked_) {
      header_checked_ = true;
      const auto& header = parser_->get().base();
      if (std::optional<Reply> refusal = CheckRequestHeader(header, hosts_)) {
        Send(std::move(*refusal), Endpoint::kUnknown, false, false, header.version());
        return;
      }
      // HTTP/1.0 clients do not know interim answers.
      if (!parser_->is_done() && header.version() >= 11 &&
          header.find(http::field::expect) != header.end()) {
        asio::async_write(socket_, asio::buffer(kContinue.data(), kContinue.size()),
                          [self = shared_from_this()](error_code ec, size_t) {
                            if (ec) {
                              self->Close();
                            } else {
                              self->ReadSome();
                            }
                          });
        return;
      }
    }
    if (!parser_->is_done()) {
      ReadSome();
      return;
    }
    Respond();
  }

  void OnReadError(error_code ec) {
    std::string_view seen(static_cast<const char*>(buffer_.data().data()), buffer_.size());
    if (ec == http::error::header_limit) {
      // The limit struck before the request line ended (the parser took none of it, and the
      // buffer holds no line end): the target is too long.
      bool line_ended =
          !parser_->get().target().empty() || seen.find('\n') != std::string_view::npos;
      SendError(line_ended ? 431 : 414,
                line_ended ? "request headers too large" : "request line too long");
    } else if (ec == http::error::body_limit || ec == http::error::buffer_overflow) {
      SendError(413, "request body larger than 1 MiB");
    } else if (ec == http::error::partial_message) {
      SendError(400, "the request ended before it was complete");
    } else if (!parser_->is_header_done() && !seen.empty() &&
               (seen[0] == '\r' || seen[0] == '\n')) {
      // Empty lines before a request line are ignored, as some clients send them after a body.
      size_t blanks = seen.find_first_not_of("\r\n");
      buffer_.consume(blanks == std::string_view::npos ? seen.size() : blanks);
      ReadRequest();
    } else if (ec != http::error::end_of_stream && !closed_ &&
               ec.category() == http::make_error_code(http::error::bad_target).category()) {
      SendError(400, "malformed request");
    } else {
      // The client closed between requests, the socket failed, or a deadline closed it.
      Close();
    }
  }

  void SendError(int status, std::string_view message) {
    Reply reply = ErrorReply(status, message);
    Send(std::move(reply), Endpoint::kUnknown, false, false, 11);
  }

  void Respond() {
    received_ = Clock::now();
    auto& message = parser_->get();
    std::string_view authority;
    std::string_view target = OriginForm(View(message.target()), &authority);
    Request request{View(message.method_string()), target, View(message[http::field::content_type]),
                    message.body(), View(message[http::field::if_none_match])};
    Reply reply;
    Endpoint endpoint = Endpoint::kUnknown;
    if (message.method() == http::verb::unknown) {
      reply = ErrorReply(501, "method not implemented");
    } else {
      endpoint = worker_.router.Handle(request, &reply);
    }
    if (settings_.access_log) {
      access_line_ = LoggedTarget(View(message.method_string()).substr(0, 16)) + " " +
                     LoggedTarget(View(message.target()));
    }
    bool keep_alive = message.keep_alive() && !worker_.stopping;
    Send(std::move(reply), endpoint, message.method() == http::verb::head, keep_alive,
         message.version());
  }

  // Writes the reply: a whole body with its Content-Length, or a streamed one in chunks (to an
  // HTTP/1.0 client, up to the end of the connection), one piece held at a time.
  void Send(Reply reply, Endpoint endpoint, bool head, bool keep_alive, unsigned version) {
    if (received_ == Clock::time_point()) received_ = Clock::now();
    const bool http10 = version == 10;
    response_.emplace();
    response_->version(http10 ? 10 : 11);
    response_->result(static_cast<unsigned>(reply.status));
    response_->set(http::field::content_type, reply.content_type);
    response_->set("X-Content-Type-Options", "nosniff");
    for (const auto& [name, value] : reply.headers) response_->set(name, value);
    stream_ = head ? nullptr : std::move(reply.stream);
    if (stream_ && http10) keep_alive = false;
    response_->keep_alive(keep_alive);
    if (stream_) {
      if (!http10) response_->chunked(true);
    } else if (reply.status != 304) {
      // A 304 says nothing of the length: a Content-Length there would have to be the 200's.
      response_->content_length(reply.body.size());
    }
    piece_ = head ? std::string() : std::move(reply.body);
    SetPiece(stream_ != nullptr);
    serializer_.emplace(*response_);
    status_ = reply.status;
    endpoint_ = endpoint;
    keep_alive_ = keep_alive;
    idle_ = false;
    deadline_ = Clock::now() + settings_.read_timeout;
    WriteSome();
  }

  void SetPiece(bool more) {
    auto& body = response_->body();
    body.data = piece_.empty() ? nullptr : piece_.data();
    body.size = piece_.size();
    body.more = more;
  }

  void WriteSome() {
    http::async_write_some(
        socket_, *serializer_,
        [self = shared_from_this()](error_code ec, size_t sent) { self->OnWriteSome(ec, sent); });
  }

  void OnWriteSome(error_code ec, size_t sent) {
    // The write deadline follows progress: a client that keeps reading gets the whole answer,
    // however slowly; one that stops reading for read_timeout is cut (a cut chunked answer
    // lacks its last chunk, so the client sees it was cut).
    if (sent > 0) deadline_ = Clock::now() + settings_.read_timeout;
    if (ec == http::error::need_buffer && stream_) {
      // The last piece has gone out whole: make the next one. Each piece is its own turn of
      // the loop, so that a large batch shares the loop with the other connections.
      piece_.clear();
      bool more = stream_->Next(&piece_);
      SetPiece(more);
      if (!more) stream_.reset();
      WriteSome();
    } else if (ec || serializer_->is_done()) {
      OnWrite(ec);
    } else {
      WriteSome();
    }
  }

  void OnWrite(error_code ec) {
    auto now = Clock::now();
    worker_.router.metrics_shard().CountRequest(endpoint_, status_, now - received_);
    if (settings_.access_log) {
      LogEvent("%s %s %d %.6fs", remote_.c_str(), access_line_.empty() ? "-" : access_line_.c_str(),
               status_, std::chrono::duration<double>(now - received_).count());
    }
    received_ = {};
    access_line_.clear();
    serializer_.reset();
    response_.reset();
    stream_.reset();
    if (piece_.capacity() > kKeptBufferBytes) {
      piece_ = std::string();
    } else {
      piece_.clear();
    }
    if (ec) {
      Close();
    } else if (!keep_alive_) {
      Linger();
    } else {
      ReadRequest();
    }
  }

  // Ends the sending side and reads (and drops) what the client still sends for a moment, so
  // that a client still writing gets the answer instead of a reset.
  void Linger() {
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    deadline_ = Clock::now() + kLingerTime;
    idle_ = false;
    parser_.reset();
    buffer_.clear();
    buffer_.shrink_to_fit();
    Drain();
  }

  void Drain() {
    socket_.async_read_some(asio::buffer(drain_),
                            [self = shared_from_this()](error_code ec, size_t) {
                              if (ec) {
                                self->Close();
                              } else {
                                self->Drain();
                              }
                            });
  }

  void Close() {
    closed_ = true;
    error_code ignored;
    socket_.close(ignored);
  }

 public:
  void set_remote(std::string remote) { remote_ = std::move(remote); }

 private:
  tcp::socket socket_;
  Worker& worker_;
  const ServerSettings& settings_;
  const HostFilter& hosts_;
  Metrics& metrics_;
  beast::flat_buffer buffer_{kMaxHeaderBytes + kMaxBodyBytes + 4096};
  std::optional<http::request_parser<http::string_body>> parser_;
  // The answer being written: its header, the piece of body in piece_, and for a streamed body
  // the source of the next pieces. The request (parser_) stays until it is written.
  std::optional<http::response<http::buffer_body>> response_;
  std::optional<http::response_serializer<http::buffer_body>> serializer_;
  std::unique_ptr<BodySource> stream_;
  std::string piece_;
  Clock::time_point deadline_;
  Clock::time_point received_;
  bool idle_ = true;
  bool closed_ = false;
  bool header_checked_ = false;
  bool keep_alive_ = false;
  int status_ = 0;
  Endpoint endpoint_ = Endpoint::kUnknown;
  std::string remote_;
  std::string access_line_;
  char drain_[4096];
};

// The address part of ADDRESS:PORT, empty when it is not one.
std::string ListenHost(const std::string& listen) {
  std::string host;
  unsigned short port = 0;
  return SplitListenAddress(listen, &host, &port) ? host : std::string();
}

}  // namespace

bool SplitListenAddress(const std::string& listen, std::string* host, unsigned short* port) {
  size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon + 1 == listen.size()) return false;
  std::string address = listen.substr(0, colon);
  if (address.size() >= 2 && address.front() == '[' && address.back() == ']') {
    address = address.substr(1, address.size() - 2);
  } else if (address.find(':') != std::string::npos) {
    return false;  // an IPv6 address needs its brackets
  }
  unsigned long value = 0;
  for (char c : listen.substr(colon + 1)) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned long>(c - '0');
    if (value > 65535) return false;
  }
  error_code ec;
  asio::ip::make_address(address, ec);
  if (ec) return false;
  *host = address;
  *port = static_cast<unsigned short>(value);
  return true;
}

class Server::Impl {
 public:
  Impl(ServerSettings settings, const DirectorySlot& slot, Metrics* metrics)
      : settings_(std::move(settings)),
        metrics_(metrics),
        hosts_(settings_.allowed_hosts, ListenHost(settings_.listen)) {
    for (unsigned i = 0; i < std::max(settings_.threads, 1u); ++i) {
      workers_.push_back(std::make_unique<Worker>(slot, metrics, i, settings_.expose_paths));
    }
    main_ = &workers_.front()->context;
    acceptor_.emplace(*main_);
    retry_.emplace(*main_);
  }

  bool Listen(std::string* error) {
    std::string host;
    unsigned short port = 0;
    if (!SplitListenAddress(settings_.listen, &host, &port)) {
      *error = "cannot listen on \"" + settings_.listen +
               "\": give ADDRESS:PORT, such as 127.0.0.1:8080 or [::1]:8080";
      return false;
    }
    error_code ec;
    tcp::endpoint endpoint(asio::ip::make_address(host), port);
    acceptor_->open(endpoint.protocol(), ec);
    if (!ec) acceptor_->set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec && endpoint.address().is_v6()) acceptor_->set_option(asio::ip::v6_only(true), ec);
    if (!ec) acceptor_->bind(endpoint, ec);
    if (!ec) acceptor_->listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
      *error = "cannot listen on " + settings_.listen + ": " + ec.message();
      return false;
    }
    return true;
  }

  std::string BoundAddress() const {
    error_code ec;
    tcp::endpoint endpoint = acceptor_->local_endpoint(ec);
    return ec ? settings_.listen : EndpointText(endpoint);
  }

  void WatchSignals(std::function<void(int)> on_signal) {
    signals_.emplace(*main_, SIGHUP, SIGINT, SIGTERM);
    on_signal_ = std::move(on_signal);
    WaitSignal();
  }

  bool WatchFolder(const std::string& folder, std::function<void()> on_change, std::string* error) {
    watch_.emplace(*main_, folder, std::move(on_change), kFolderPoll);
    if (watch_->Start(error)) return true;
    watch_.reset();
    return false;
  }

  void Run(std::chrono::milliseconds grace) {
    Accept();
    for (auto& worker : workers_) Sweep(worker.get());
    std::vector<std::thread> threads;
    for (size_t i = 1; i < workers_.size(); ++i) {
      threads.emplace_back([this, i] { RunLoop(workers_[i]->context); });
    }
    // The grace period is watched from a thread of its own, so that it holds even when a loop
    // is busy.
    std::thread watchdog([this, grace] {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stop_requested_; });
      if (!changed_.wait_for(lock, grace, [this] { return running_ == 0; })) {
        for (auto& worker : workers_) worker->context.stop();
      }
    });
    RunLoop(*main_);
    for (auto& thread : threads) thread.join();
    {
      std::lock_guard lock(mutex_);
      stop_requested_ = true;
    }
    changed_.notify_all();
    watchdog.join();
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      if (stop_requested_) return;
      stop_requested_ = true;
    }
    changed_.notify_all();
    asio::post(*main_, [this] {
      error_code ignored;
      acceptor_->close(ignored);
      retry_->cancel();
      if (signals_) signals_->cancel(ignored);
      if (watch_) watch_->Close();
    });
    for (auto& worker : workers_) {
      Worker* w = worker.get();
      asio::post(w->context, [w] {
        w->stopping = true;
        std::vector<Session*> sessions(w->sessions.begin(), w->sessions.end());
        for (Session* session : sessions) session->Finish();
      });
    }
  }

 private:
  void RunLoop(asio::io_context& context) {
    {
      std::lock_guard lock(mutex_);
      ++running_;
    }
    context.run();
    {
      std::lock_guard lock(mutex_);
      --running_;
    }
    changed_.notify_all();
  }

  void Accept() {
    Worker* worker = workers_[next_worker_].get();
    next_worker_ = (next_worker_ + 1) % workers_.size();
    acceptor_->async_accept(worker->context, [this, worker](error_code ec, tcp::socket socket) {
      if (ec == asio::error::operation_aborted || !acceptor_->is_open()) return;
      if (ec) {
        // Out of descriptors or memory: try again shortly instead of spinning.
        retry_->expires_after(std::chrono::milliseconds(50));
        retry_->async_wait([this](error_code wait_ec) {
          if (!wait_ec) Accept();
        });
        return;
      }
      if (static_cast<size_t>(metrics_->open_connections()) >= settings_.max_connections) {
        metrics_->CountRefusedConnection();
        error_code ignored;
        socket.close(ignored);
      } else {
        metrics_->CountConnection(1);
        error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        std::string remote;
        if (settings_.access_log) remote = EndpointText(socket.remote_endpoint(ignored));
        auto session =
            std::make_shared<Session>(std::move(socket), worker, settings_, hosts_, metrics_);
        session->set_remote(std::move(remote));
        asio::post(worker->context, [session] { session->Start(); });
      }
      Accept();
    });
  }

  // Twice a second: closes the connections past their deadline. Ends when the loop stops and
  // its last connection is gone.
  void Sweep(Worker* worker) {
    worker->sweep.expires_after(std::chrono::milliseconds(500));
    worker->sweep.async_wait([this, worker](error_code ec) {
      if (ec) return;
      auto now = Clock::now();
      std::vector<Session*> sessions(worker->sessions.begin(), worker->sessions.end());
      for (Session* session : sessions) session->CloseIfLate(now);
      // Closed connections leave free blocks scattered in the heap; give them back to the
      // system, so that a burst of large batches does not keep its memory.
      if (worker->closed_since_trim > 0) {
        worker->closed_since_trim = 0;
#ifndef __SANITIZE_ADDRESS__  // the sanitizer owns the heap: glibc's arenas are not in use
        malloc_trim(0);
#endif
      }
      if (!worker->stopping || !worker->sessions.empty()) Sweep(worker);
    });
  }

  void WaitSignal() {
    signals_->async_wait([this](error_code ec, int signal) {
      if (ec) return;
      if (signal == SIGHUP) {
        on_signal_(signal);
        WaitSignal();
        return;
      }
      // Stopping: their default action comes back, so that a second SIGTERM or SIGINT ends the
      // process at once; before the stop is logged and begun, so that none sent after the log
      // line is lost. SIGHUP stays caught (and, the wait being cancelled, unanswered).
      error_code ignored;
      signals_->remove(SIGTERM, ignored);
      signals_->remove(SIGINT, ignored);
      on_signal_(signal);
    });
  }

  ServerSettings settings_;
  Metrics* metrics_;
  HostFilter hosts_;
  std::vector<std::unique_ptr<Worker>> workers_;
  asio::io_context* main_;
  std::optional<tcp::acceptor> acceptor_;
  std::optional<asio::steady_timer> retry_;
  std::optional<asio::signal_set> signals_;
  std::optional<FolderWatch> watch_;
  std::function<void(int)> on_signal_;
  size_t next_worker_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_requested_ = false;
  int running_ = 0;
};

Server::Server(ServerSettings settings, const DirectorySlot& slot, Metrics* metrics)
    : impl_(std::make_unique<Impl>(std::move(settings), slot, metrics)) {}
Server::~Server() = default;
bool Server::Listen(std::string* error) { return impl_->Listen(error); }
std::string Server::BoundAddress() const { return impl_->BoundAddress(); }
void Server::WatchSignals(std::function<void(int)> on_signal) {
  impl_->WatchSignals(std::move(on_signal));
}
bool Server::WatchFolder(const std::string& folder, std::function<void()> on_change,
                         std::string* error) {
  return impl_->WatchFolder(folder, std::move(on_change), error);
}
void Server::Run(std::chrono::milliseconds grace) { impl_->Run(grace); }
void Server::Stop() { impl_->Stop(); }

}  // namespace korvalind::serve
