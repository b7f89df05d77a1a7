// Web pages open through xdg-open; when no browser takes a page, the person
// sees its address to copy instead of nothing at all.

#include "controls/ui/UserPrompts.h"

#include "res/StringTable.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A PATH holding only a stand-in xdg-open that writes the address it was given
// into `asked` and exits with `status` (none at all for a negative status).
class BrowserStandIn {
public:
    explicit BrowserStandIn(int status) : m_savedPath(qgetenv("PATH"))
    {
        if (status >= 0) {
            QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
            EXPECT_TRUE(script.open(QIODevice::WriteOnly));
            script.write(
                QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n").arg(Asked()).arg(status).toUtf8());
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toLocal8Bit());
    }
    ~BrowserStandIn() { qputenv("PATH", m_savedPath); }
    BrowserStandIn(const BrowserStandIn&) = delete;
    BrowserStandIn& operator=(const BrowserStandIn&) = delete;

    QString Asked() const { return m_dir.filePath(QStringLiteral("asked")); }

private:
    QTemporaryDir m_dir;
    QByteArray m_savedPath;
};

QMessageBox* AddressBox()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

bool NoLaunchRunning()
{
    return qApp->findChildren<QProcess*>().isEmpty();
}

const QUrl kPage(QStringLiteral("https://warplet.example.org/start?from=4.0"));

}  // namespace

TEST(OpenUrl, ABrowserThatCannotOpenThePageShowsItsAddressToCopy)
{
    const BrowserStandIn browser(3);  // xdg-open's "no tool found"
    StandardPrompts prompts;
    EXPECT_TRUE(prompts.OpenUrl(kPage));
    ASSERT_TRUE(QTest::qWaitFor([] { return AddressBox() != nullptr; }, 10000));
    QMessageBox* box = AddressBox();
    EXPECT_TRUE(box->text().startsWith(AppString(StrId::NoBrowser)));
    EXPECT_TRUE(box->text().endsWith(kPage.toString()));
    EXPECT_TRUE(box->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(box->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    QFile asked(browser.Asked());
    ASSERT_TRUE(asked.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(asked.readAll()), kPage.toString(QUrl::FullyEncoded));
    box->close();
    EXPECT_TRUE(QTest::qWaitFor([] { return AddressBox() == nullptr; }, 10000));
}

TEST(OpenUrl, NoOpenerAtAllShowsTheAddressAtOnce)
{
    const BrowserStandIn none(-1);
    StandardPrompts prompts;
    // The offscreen platform has no desktop services either.
    EXPECT_FALSE(prompts.OpenUrl(kPage));
    QMessageBox* box = AddressBox();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->text().contains(kPage.toString()));
    box->close();
    EXPECT_TRUE(QTest::qWaitFor([] { return AddressBox() == nullptr; }, 10000));
}

TEST(OpenUrl, APageABrowserTookShowsNothingAndOtherSchemesAreRefused)
{
    const BrowserStandIn browser(0);
    StandardPrompts prompts;
    EXPECT_TRUE(prompts.OpenUrl(kPage));
    ASSERT_TRUE(QTest::qWaitFor(NoLaunchRunning, 10000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(QFile::exists(browser.Asked()));
    EXPECT_EQ(AddressBox(), nullptr);

    QFile::remove(browser.Asked());
    EXPECT_FALSE(prompts.OpenUrl(QUrl(QStringLiteral("ftp://warplet.example.org/x"))));
    EXPECT_TRUE(NoLaunchRunning());
    EXPECT_FALSE(QFile::exists(browser.Asked()));
    EXPECT_EQ(AddressBox(), nullptr);
}
