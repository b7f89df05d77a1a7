#include "update/ConnectionState.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>

namespace {

NetworkInterface& Entry(std::vector<NetworkInterface>& list, const QString& name)
{
    auto it = std::find_if(list.begin(), list.end(), [&](const NetworkInterface& i) { return i.name == name; });
    if (it != list.end())
        return *it;
    list.push_back(NetworkInterface{name});
    return list.back();
}

}  // namespace

std::vector<NetworkInterface> ListNetworkInterfaces()
{
    std::vector<NetworkInterface> list;
    ifaddrs* addresses = nullptr;
    if (getifaddrs(&addresses) != 0)
        return list;
    for (const ifaddrs* a = addresses; a; a = a->ifa_next) {
        if (!a->ifa_name)
            continue;
        NetworkInterface& entry = Entry(list, QString::fromLocal8Bit(a->ifa_name));
        entry.up = entry.up || (a->ifa_flags & IFF_UP) != 0;
        entry.loopback = entry.loopback || (a->ifa_flags & IFF_LOOPBACK) != 0;
        const int family = a->ifa_addr ? a->ifa_addr->sa_family : AF_UNSPEC;
        entry.hasAddress = entry.hasAddress || family == AF_INET || family == AF_INET6;
    }
    freeifaddrs(addresses);
    return list;
}

bool AnyUsableInterface(const std::vector<NetworkInterface>& interfaces)
{
    return std::any_of(interfaces.begin(), interfaces.end(),
                       [](const NetworkInterface& i) { return i.up && !i.loopback && i.hasAddress; });
}

bool ProxyConfigured()
{
    for (const char* name : {"http_proxy", "all_proxy", "ALL_PROXY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return false;
}

bool IsOnline()
{
    return ProxyConfigured() || AnyUsableInterface(ListNetworkInterfaces());
}
