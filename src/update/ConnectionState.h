#pragma once
// Whether the computer looks online: a network interface other than the
// loopback one is up and has an address, or a proxy is configured.

#include <QString>

#include <vector>

struct NetworkInterface {
    QString name;
    bool up = false;
    bool loopback = false;
    bool hasAddress = false;  // an IPv4 or IPv6 address
};

// The interfaces the system reports, one entry per interface.
std::vector<NetworkInterface> ListNetworkInterfaces();
// True when one interface is up, not the loopback one, and has an address.
bool AnyUsableInterface(const std::vector<NetworkInterface>& interfaces);
// True when the environment names a proxy that libcurl uses for HTTP
// (http_proxy, all_proxy or ALL_PROXY).
bool ProxyConfigured();
// The connection test of the update check.
bool IsOnline();
