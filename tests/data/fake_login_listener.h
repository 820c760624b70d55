#pragma once

#include <atomic>
#include <future>
#include <string>
#include <thread>

namespace dbc::test {

// What a TDS 7 client put into its Login7 record (MS-TDS 2.2.6.4), as UTF-8.
struct LoginRecord {
    std::string hostName;
    std::string userName;
    std::string password;
    std::string serverName;
    std::string database;
};

// A listener on a free 127.0.0.1 port that plays a SQL Server just far enough
// to receive one client's login: it answers PRELOGIN without encryption,
// decodes the Login7 record that follows and hangs up. It shows how a driver
// read its connection string.
class FakeLoginListener {
public:
    FakeLoginListener();
    ~FakeLoginListener();
    FakeLoginListener(const FakeLoginListener&) = delete;
    FakeLoginListener& operator=(const FakeLoginListener&) = delete;

    int port() const noexcept { return m_port; }

    // The record of the first login; throws when none came within a few
    // seconds or it could not be read.
    LoginRecord login();

    // The ENCRYPTION byte of the client's PRELOGIN (MS-TDS 2.2.6.5: 0 off,
    // 1 on, 2 not supported, 3 required), -1 before one came. Set before
    // the answer is sent, so it is known once the client has failed.
    int preloginEncryption() const noexcept { return m_preloginEncryption.load(); }

private:
    void serve();

    int m_socket = -1;
    int m_port = 0;
    std::atomic<int> m_preloginEncryption{-1};
    std::promise<LoginRecord> m_promise;
    std::future<LoginRecord> m_future;
    std::thread m_thread;
};

} // namespace dbc::test
