// The HTTP object against a small server of the test's own on the loopback interface:
// a body, a UTF-8 body, a POST from another object's text, a 404, a server that never
// answers, a response over the size limit, refused addresses and redirects, and an object
// removed while its request runs.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/cp932.h"
#include "input_fixture.h"
#include "ui/vesk_edit.h"
#include "ui/vesk_http.h"

namespace vesk {
namespace {

using namespace test;

// Answers by path: /hello, /utf8, /echo (the request's body), /missing (404), /slow (never
// answers), /stream (10 MB without a length), /to-file (a redirect to a file: address).
class LocalServer {
  public:
    LocalServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(listen(fd_, 16), 0);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~LocalServer() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        acceptor_.join();
        for (std::thread& t : handlers_) t.join();
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    void Accept() {
        while (!stop_) {
            const int c = accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            handlers_.emplace_back([this, c] { Handle(c); });
        }
    }
    void Send(int c, const std::string& s) {
        size_t at = 0;
        while (at < s.size()) {
            const ssize_t n = send(c, s.data() + at, s.size() - at, MSG_NOSIGNAL);
            if (n <= 0) return;
            at += size_t(n);
        }
    }
    void Handle(int c) {
        std::string in;
        char buf[4096];
        size_t headerEnd = std::string::npos;
        while ((headerEnd = in.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            in.append(buf, size_t(n));
        }
        size_t length = 0;
        if (const size_t at = in.find("Content-Length: "); at != std::string::npos)
            length = std::stoul(in.substr(at + 16));
        while (headerEnd != std::string::npos && in.size() < headerEnd + 4 + length) {
            const ssize_t n = recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            in.append(buf, size_t(n));
        }
        const std::string path =
            in.substr(in.find(' ') + 1, in.find(' ', in.find(' ') + 1) - in.find(' ') - 1);
        auto reply = [&](const std::string& status, const std::string& type,
                         const std::string& body, const std::string& extra = "") {
            Send(c, "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                        "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra +
                        "Connection: close\r\n\r\n" + body);
        };
        if (path == "/hello") {
            reply("200 OK", "text/plain", "hello");
        } else if (path == "/utf8") {
            reply("200 OK", "text/plain; charset=UTF-8", "日本");
        } else if (path == "/echo") {
            reply("200 OK", "text/plain",
                  headerEnd == std::string::npos ? std::string() : in.substr(headerEnd + 4));
        } else if (path == "/slow") {
            // Holds the connection until the client or the test goes away.
            pollfd p{c, POLLIN, 0};
            while (!stop_ && poll(&p, 1, 10) == 0) {
            }
        } else if (path == "/stream") {
            Send(c, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
            const std::string chunk(65536, 'x');
            for (int i = 0; i < 160 && !stop_; ++i) Send(c, chunk);
        } else if (path == "/to-file") {
            reply("302 Found", "text/plain", "", "Location: file:///etc/hostname\r\n");
        } else {
            reply("404 Not Found", "text/plain", "not here");
        }
        close(c);
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::vector<std::thread> handlers_;
};

struct HttpWorld : InputWorld {
    TVeskHttp* Request(const std::string& source, int32_t timeoutMs = 5000,
                       size_t maxBytes = size_t(1) << 20) {
        auto* h = Make<TVeskHttp>(LT_HTTP);
        SetStr(*h, PR_NAME, "http");
        SetStr(*h, PR_ONPLAYEND, "done");
        h->SetLimits(2000, timeoutMs, maxBytes);
        SetStr(*h, PR_SOURCE, source);
        return h;
    }
    // Frames until the request's result has been taken (at most ten seconds).
    void Settle(TVeskHttp& h) {
        for (int i = 0; i < 2000 && h.Running(); ++i) {
            Frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_FALSE(h.Running());
    }
};

TEST(Http, FetchesBodiesAndReportsTheEndOnTheMainThread) {
    LocalServer server;
    const struct {
        const char* path;
        std::string text;
        const char* status;
    } cases[] = {
        {"/hello", "hello", "200"},
        {"/utf8", Utf8ToCp932("日本"), "200"},
        {"/missing", "", "404"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        HttpWorld w;
        TVeskHttp* h = w.Request(server.Url(c.path));
        EXPECT_TRUE(h->Running());
        EXPECT_TRUE(w.EventsOf(PR_ONPLAYEND).empty());
        w.Settle(*h);
        EXPECT_EQ(h->GetStrProp(PR_TEXT), c.text);
        ASSERT_EQ(w.EventsOf(PR_ONPLAYEND).size(), 1u);
        EXPECT_EQ(w.EventsOf(PR_ONPLAYEND)[0], std::vector<std::string>{c.status});
    }
}

TEST(Http, AnObjectsTextCanBeTheRequestAndItsSecondLineIsPosted) {
    LocalServer server;
    HttpWorld w;
    auto* e = w.Make<TVeskEdit>(LT_MEMO);
    SetStr(*e, PR_NAME, "req");
    SetStr(*e, PR_TEXT, server.Url("/echo") + "\r\nname=%E5%90%8D&score=10");
    TVeskHttp* h = w.Request("!req");
    w.Settle(*h);
    EXPECT_EQ(h->GetStrProp(PR_TEXT), "name=%E5%90%8D&score=10");
    EXPECT_EQ(h->GetStrProp(PR_SOURCE), "!req");
    // A source naming nobody requests nothing and ends at once.
    TVeskHttp* none = w.Request("!nobody");
    w.Settle(*none);
    EXPECT_FALSE(none->Result().Ok);
}

TEST(Http, FailuresEndWithoutTextAndWithinTheirLimits) {
    LocalServer server;
    const struct {
        std::string source;
        int32_t timeoutMs;
        size_t maxBytes;
        const char* error;
    } cases[] = {
        {server.Url("/slow"), 300, 1 << 20, "Timeout"},
        {server.Url("/stream"), 5000, 1 << 20, "larger than 1048576 bytes"},
        {server.Url("/to-file"), 5000, 1 << 20, ""},
        {"file:///etc/hostname", 5000, 1 << 20, "only http and https"},
        {"ftp://127.0.0.1/x", 5000, 1 << 20, "only http and https"},
        {"http://127.0.0.1:1/closed", 5000, 1 << 20, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        HttpWorld w;
        TVeskHttp* h = w.Request(c.source, c.timeoutMs, c.maxBytes);
        w.Settle(*h);
        EXPECT_FALSE(h->Result().Ok);
        EXPECT_NE(h->Result().Error.find(c.error), std::string::npos) << h->Result().Error;
        EXPECT_EQ(h->GetStrProp(PR_TEXT), "");
        EXPECT_EQ(w.EventsOf(PR_ONPLAYEND).size(), 1u);
    }
}

TEST(Http, OneRequestAtATimeAndRemovalCancelsIt) {
    LocalServer server;
    HttpWorld w;
    TVeskHttp* h = w.Request(server.Url("/slow"));
    // The frame goes on while the server keeps silent.
    for (int i = 0; i < 3; ++i) w.Frame();
    EXPECT_TRUE(h->Running());
    // A new source while one runs starts nothing.
    SetStr(*h, PR_SOURCE, server.Url("/hello"));
    EXPECT_TRUE(h->Running());
    w.root.Destroy(h);  // cancels and returns
    TVeskHttp* next = w.Request(server.Url("/hello"));
    w.Settle(*next);
    EXPECT_EQ(next->GetStrProp(PR_TEXT), "hello");
    // The script cannot write the response; a save keeps it.
    SetStr(*next, PR_TEXT, "mine");
    EXPECT_EQ(next->GetStrProp(PR_TEXT), "hello");
    HttpWorld copy;
    LoadTree(copy.root, SaveTree(w.root));
    TVeskComponent* back = copy.root.FindComponent("http");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetStrProp(PR_TEXT), "hello");
    EXPECT_EQ(back->GetStrProp(PR_ONPLAYEND), "done");
    EXPECT_FALSE(dynamic_cast<TVeskHttp*>(back)->Running());
}

}  // namespace
}  // namespace vesk
