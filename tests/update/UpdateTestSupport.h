#pragma once
// Settings of the update tests live in a temporary home, and no proxy from
// the environment stands between the check and the loopback server.

#include "app/AppState.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace updatetest {

class TemporaryHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_dir->isValid());
        setenv("HOME", qPrintable(m_dir->path()), 1);
        setenv("XDG_CONFIG_HOME", qPrintable(m_dir->path() + "/config"), 1);
        for (const char* proxy : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            unsetenv(proxy);
        unsetenv("WARPLET_UPDATE_HOST");
    }
    void TearDown() override { m_dir.reset(); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

inline void ClearSettings()
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Tavmor Software", "Warplet4");
    settings.clear();
    settings.sync();
}

inline void StoreSchedule(const QString& date, int days)
{
    WriteProfileString(kSectionUpdate, "XVALUE_T", date);
    WriteProfileInt(kSectionUpdate, "XVALUE_D", days);
}

}  // namespace updatetest
