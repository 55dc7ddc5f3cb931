// The Dovecot fixture: starts or attaches to the loopback server, hands out
// fresh mailboxes and delivers mail by writing Maildir files.
#include "support/Dovecot.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vexil::test {

namespace fs = std::filesystem;

namespace {

constexpr int kPoolSize = 40;
#ifndef _WIN32
constexpr int kMailId = 4242;  // the uid and gid dovecot.sh gives the mail
#endif

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Wine maps the Unix root to drive Z:.
std::string LocalPath(std::string path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
#endif
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += fs::path::preferred_separator;
    return path;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifndef _WIN32
std::string Script() { return std::string(VEXIL_SOURCE_DIR) + "/tests/support/dovecot.sh"; }

bool RunScript(const std::string& args) {
    const std::string command = "'" + Script() + "' " + args;
    return std::system(command.c_str()) == 0;
}
#endif

}  // namespace

std::unique_ptr<TDovecot> TDovecot::Open(std::string& whyNot) {
    std::unique_ptr<TDovecot> server(new TDovecot);
    const std::string given = Env("VEXIL_DOVECOT_DIR");
    if (!given.empty()) {
        server->dir_ = LocalPath(given);
    } else {
#ifdef _WIN32
        whyNot = "no Dovecot to test against: a Windows test process cannot start one; "
                 "start tests/support/dovecot.sh and set VEXIL_DOVECOT_DIR to its state "
                 "directory (the test command does)";
        return nullptr;
#else
        if (!fs::exists("/usr/sbin/dovecot")) {
            whyNot = "Dovecot is not installed (scripts/deps.sh installs dovecot-core and dovecot-pop3d)";
            return nullptr;
        }
        if (geteuid() != 0) {
            whyNot = "Dovecot tests need root: the server switches to uid 4242 for the mail";
            return nullptr;
        }
        // Short (Dovecot's socket paths) and reachable by uid 4242.
        static std::atomic<unsigned> counter{0};
        server->dir_ = "/tmp/vxdc-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "/";
        if (!RunScript("start " + server->dir_ + " 0 " + std::to_string(kPoolSize)))
            throw std::runtime_error("Dovecot did not start in " + server->dir_ +
                                     " (see the messages of dovecot.sh above)");
        server->owned_ = true;
#endif
    }
    const std::string port = Env("VEXIL_DOVECOT_PORT");
    server->port_ = std::atoi((port.empty() ? ReadWhole(server->dir_ + "port") : port).c_str());
    server->imapPort_ = std::atoi(ReadWhole(server->dir_ + "port-imap").c_str());
    if (server->port_ <= 0)
        throw std::runtime_error("no port for the Dovecot in " + server->dir_ +
                                 " (is it running? set VEXIL_DOVECOT_PORT or start it with dovecot.sh)");
    return server;
}

std::unique_ptr<TDovecot> TDovecot::Attach(const std::string& dir) {
    std::unique_ptr<TDovecot> server(new TDovecot);
    server->dir_ = LocalPath(dir);
    server->port_ = std::atoi(ReadWhole(server->dir_ + "port").c_str());
    server->tlsPort_ = std::atoi(ReadWhole(server->dir_ + "port-tls").c_str());
    server->imapPort_ = std::atoi(ReadWhole(server->dir_ + "port-imap").c_str());
    server->imapsPort_ = std::atoi(ReadWhole(server->dir_ + "port-imaps").c_str());
    if (server->port_ <= 0) throw std::runtime_error("no Dovecot running in " + server->dir_);
    return server;
}

TDovecot::~TDovecot() {
#ifndef _WIN32
    if (owned_) {
        RunScript("stop " + dir_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
#endif
}

TMailbox TDovecot::NewMailbox(const std::vector<std::string>& messages) {
    for (int i = 1;; ++i) {
        char user[16];
        std::snprintf(user, sizeof user, "user%02d", i);
        const fs::path home = fs::path(dir_) / "home" / user;
        if (!fs::exists(home)) throw std::runtime_error("all mailboxes of the Dovecot in " + dir_ + " are used");
        // Claiming by creating a directory is atomic, also between processes
        // sharing one server.
        if (!fs::create_directory(home / "claimed")) continue;
        TMailbox box;
        box.User = user;
        box.Password = "pw" + std::string(user + 4);
        box.Maildir = (home / "Maildir").string() + static_cast<char>(fs::path::preferred_separator);
        for (const std::string& message : messages) Deliver(box, message);
        return box;
    }
}

void TDovecot::Deliver(const TMailbox& box, const std::string& message) {
    // Names sort in delivery order, which is the order the server numbers
    // the messages in.
    static std::atomic<unsigned> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, "1700000000.M%06uP%u.vexiltest", counter++,
                  static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000));
    const std::string staged = box.Maildir + "tmp" + static_cast<char>(fs::path::preferred_separator) + name;
    {
        std::ofstream out(staged, std::ios::binary | std::ios::trunc);
        out.write(message.data(), static_cast<std::streamsize>(message.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + staged);
    }
#ifndef _WIN32
    if (chown(staged.c_str(), kMailId, kMailId) != 0) throw std::runtime_error("cannot chown " + staged);
#endif
    // Written aside and moved in whole, so the server never sees half a message.
    fs::rename(staged, box.Maildir + "new" + static_cast<char>(fs::path::preferred_separator) + name);
}

std::size_t SizeWithCrLf(const std::string& message) {
    std::size_t size = message.size();
    for (std::size_t i = 0; i < message.size(); ++i)
        if (message[i] == '\n' && (i == 0 || message[i - 1] != '\r')) ++size;
    return size;
}

std::unique_ptr<TDovecot> TDovecotTest::server_;
std::string TDovecotTest::whyNot_;
bool TDovecotTest::failed_ = false;

void TDovecotTest::SetUpTestSuite() {
    whyNot_.clear();
    failed_ = false;
    try {
        server_ = TDovecot::Open(whyNot_);
    } catch (const std::exception& e) {
        whyNot_ = e.what();
        failed_ = true;
    }
}

void TDovecotTest::TearDownTestSuite() { server_.reset(); }

void TDovecotTest::SetUp() {
    if (failed_) FAIL() << whyNot_;
    if (!server_) GTEST_SKIP() << whyNot_;
}

}  // namespace vexil::test
