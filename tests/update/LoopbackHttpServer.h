#pragma once
// A tiny HTTP server for the update tests: listens on 127.0.0.1 on a free
// port, answers GET requests from a table of paths, records every request
// target, and stops when destroyed. One connection at a time; every wait is
// bounded.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace updatetest {

class LoopbackHttpServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
    };

    LoopbackHttpServer()
    {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listener, 8) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackHttpServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            close(m_listener);
    }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int Port() const { return m_port; }
    // "127.0.0.1:<port>", the value for WARPLET_UPDATE_HOST.
    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }

    // The reply to a path (the request target without its query).
    void Set(const std::string& path, Reply reply)
    {
        const std::lock_guard lock(m_mutex);
        m_replies[path] = std::move(reply);
    }
    void Set(const std::string& path, const std::string& body) { Set(path, Reply{200, body}); }

    // The request targets received so far, in order.
    std::vector<std::string> Requests() const
    {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    static constexpr int kPollMs = 50;
    static constexpr int kReadLimitMs = 3000;

    void Serve()
    {
        while (!m_stop) {
            pollfd waiting{m_listener, POLLIN, 0};
            if (poll(&waiting, 1, kPollMs) <= 0)
                continue;
            const int connection = accept(m_listener, nullptr, nullptr);
            if (connection < 0)
                continue;
            Answer(connection);
            close(connection);
        }
    }

    // Reads the request head (bounded in time and size) and writes the reply.
    void Answer(int connection)
    {
        std::string head;
        char buffer[1024];
        for (int waited = 0; head.find("\r\n\r\n") == std::string::npos && head.size() < 16384;) {
            pollfd readable{connection, POLLIN, 0};
            if (poll(&readable, 1, kPollMs) <= 0) {
                waited += kPollMs;
                if (waited >= kReadLimitMs || m_stop)
                    return;
                continue;
            }
            const ssize_t got = read(connection, buffer, sizeof buffer);
            if (got <= 0)
                return;
            head.append(buffer, size_t(got));
        }
        const size_t firstSpace = head.find(' ');
        const size_t secondSpace = head.find(' ', firstSpace + 1);
        const std::string target = firstSpace == std::string::npos || secondSpace == std::string::npos
                                       ? std::string()
                                       : head.substr(firstSpace + 1, secondSpace - firstSpace - 1);
        Reply reply{404, "not found"};
        {
            const std::lock_guard lock(m_mutex);
            m_requests.push_back(target);
            const auto it = m_replies.find(target.substr(0, target.find('?')));
            if (it != m_replies.end())
                reply = it->second;
        }
        const std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " X\r\nContent-Type: text/html\r\n" +
                                     "Content-Length: " + std::to_string(reply.body.size()) +
                                     "\r\nConnection: close\r\n\r\n" + reply.body;
        size_t sent = 0;
        while (sent < response.size()) {
            const ssize_t n = send(connection, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += size_t(n);
        }
    }

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::map<std::string, Reply> m_replies;
    std::vector<std::string> m_requests;
};

// A loopback port nobody listens on: bound, read and closed again.
inline int ClosedLoopbackPort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}

}  // namespace updatetest
