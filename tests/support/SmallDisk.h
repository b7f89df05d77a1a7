#pragma once
// A folder on a nearly full file system, for tests of what a full disk does to
// a save: a 256 KiB tmpfs mounted for the test where it may mount one (root).

#include <QTemporaryDir>

#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace testsupport {

class SmallDisk {
public:
    SmallDisk()
    {
        if (::geteuid() != 0 || !m_dir.isValid())
            return;
        const std::string path = m_dir.path().toStdString();
        m_mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_dir.path().toStdString().c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Available() const { return m_mounted; }
    std::string Path(const std::string& name) const { return m_dir.path().toStdString() + "/" + name; }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

}  // namespace testsupport
