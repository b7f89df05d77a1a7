#include "update/ConnectionState.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

NetworkInterface Interface(const char* name, bool up, bool loopback, bool hasAddress)
{
    return NetworkInterface{name, up, loopback, hasAddress};
}

TEST(ConnectionState, OnlyAnInterfaceThatIsUpWithAnAddressAndNotLoopbackCounts)
{
    EXPECT_FALSE(AnyUsableInterface({}));
    EXPECT_FALSE(AnyUsableInterface({Interface("lo", true, true, true)}));
    EXPECT_FALSE(AnyUsableInterface({Interface("lo", true, true, true), Interface("eth0", false, false, true),
                                     Interface("wlan0", true, false, false)}));
    EXPECT_TRUE(AnyUsableInterface({Interface("lo", true, true, true), Interface("eth0", true, false, true)}));
}

TEST(ConnectionState, SystemListHasOneEntryPerInterface)
{
    const std::vector<NetworkInterface> list = ListNetworkInterfaces();
    for (size_t i = 0; i < list.size(); ++i) {
        for (size_t j = i + 1; j < list.size(); ++j)
            EXPECT_NE(list[i].name, list[j].name);
    }
}

TEST(ConnectionState, ProxyForHttpCountsAsOnline)
{
    for (const char* name : {"http_proxy", "all_proxy", "ALL_PROXY", "HTTP_PROXY"})
        unsetenv(name);
    EXPECT_FALSE(ProxyConfigured());
    setenv("HTTP_PROXY", "http://proxy.example:3128", 1);  // libcurl ignores the upper-case spelling for http
    EXPECT_FALSE(ProxyConfigured());
    setenv("http_proxy", "http://proxy.example:3128", 1);
    EXPECT_TRUE(ProxyConfigured());
    EXPECT_TRUE(IsOnline());
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
}

}  // namespace
