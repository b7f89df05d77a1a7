// Files that take their name only when complete: through an unnamed file, or a
// hidden named one where the file system has no unnamed files; alone or in a
// batch that flushes its files together.

#include "io/AtomicFile.h"
#include "project/ProjectTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cerrno>
#include <sys/stat.h>

using namespace projecttest;

namespace {

// An opener that fails as a file system without unnamed files (or a full one) does.
template <int Error>
int Refuse(const char*, unsigned)
{
    errno = Error;
    return -1;
}

QStringList Entries(const Folder& folder)
{
    return QDir(QString::fromStdString(folder.Path("")))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

std::span<const uint8_t> Span(const std::vector<uint8_t>& bytes)
{
    return bytes;
}

unsigned ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

}  // namespace

TEST(AtomicFile, TheOldFileStaysWholeUntilTheNewOneTakesItsName)
{
    // The unnamed file, and the named one used where unnamed files are missing.
    for (const UnnamedFileOpener opener : {&OpenUnnamedFile, &Refuse<EOPNOTSUPP>}) {
        Folder folder;
        const std::string target = folder.Path("kept.bin");
        WriteBytes(target, {1, 2, 3});
        ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

        AtomicFile file(target, opener);
        ASSERT_TRUE(file.IsOpen()) << file.Failure();
        EXPECT_EQ(file.IsUnnamed(), opener == &OpenUnnamedFile);
        ASSERT_TRUE(file.Write(Span({9, 9, 9, 9})));
        ASSERT_TRUE(file.Rewind());
        ASSERT_TRUE(file.Write(Span({4, 5})));
        EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));
        EXPECT_EQ(Entries(folder).size(), file.IsUnnamed() ? 1 : 2);

        ASSERT_TRUE(file.Commit()) << file.Failure();
        EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{4, 5}));
        EXPECT_EQ(ModeOf(target), 0640u);
        EXPECT_EQ(Entries(folder), QStringList{"kept.bin"});
    }
}

TEST(AtomicFile, AnAbandonedFileLeavesNothing)
{
    for (const UnnamedFileOpener opener : {&OpenUnnamedFile, &Refuse<EOPNOTSUPP>}) {
        Folder folder;
        {
            AtomicFile file(folder.Path("new.bin"), opener);
            ASSERT_TRUE(file.Write(Span({1, 2, 3})));
            ASSERT_TRUE(file.Flush());
        }
        EXPECT_TRUE(Entries(folder).isEmpty());
    }
}

TEST(AtomicFile, OnlyAFileSystemWithoutUnnamedFilesGetsANamedOne)
{
    const std::pair<UnnamedFileOpener, int> missing[] = {
        {&Refuse<EOPNOTSUPP>, EOPNOTSUPP}, {&Refuse<EXDEV>, EXDEV},   {&Refuse<ENOENT>, ENOENT},
        {&Refuse<EISDIR>, EISDIR},         {&Refuse<EINVAL>, EINVAL},
    };
    for (const auto& [opener, error] : missing) {
        Folder folder;
        AtomicFile file(folder.Path("a.bin"), opener);
        EXPECT_TRUE(file.IsOpen()) << error;
        EXPECT_FALSE(file.IsUnnamed()) << error;
        EXPECT_TRUE(file.Write(Span({7})) && file.Commit()) << error;
        EXPECT_EQ(ReadBytes(folder.Path("a.bin")), std::vector<uint8_t>{7}) << error;
    }
    // Other failures are the folder's own: reported with their cause, nothing made.
    Folder folder;
    AtomicFile full(folder.Path("a.bin"), &Refuse<ENOSPC>);
    EXPECT_FALSE(full.IsOpen());
    EXPECT_EQ(full.Error(), ENOSPC);
    EXPECT_EQ(full.ToError().GetCause(), FileError::Cause::DiskFull);
    EXPECT_FALSE(full.Write(Span({1})));
    EXPECT_TRUE(Entries(folder).isEmpty());

    AtomicFile nowhere(folder.Path("missing/a.bin"));
    EXPECT_FALSE(nowhere.IsOpen());
    EXPECT_EQ(nowhere.ToError().GetCause(), FileError::Cause::FileNotFound);
}

TEST(AtomicFile, ANameThatCannotBeTakenIsAFailureAndTheFolderStaysAsItWas)
{
    Folder folder;
    const std::string target = folder.Path("taken");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(target + "/inside")));
    AtomicFile file(target);
    ASSERT_TRUE(file.Write(Span({1})));
    EXPECT_FALSE(file.Commit());
    EXPECT_NE(file.Failure().find("rename"), std::string::npos) << file.Failure();
    EXPECT_EQ(Entries(folder), QStringList{"taken"});
    EXPECT_THROW(WriteFileAtomically(target, Span({1})), FileError);
}

TEST(AtomicFileBatch, FilesTakeTheirNamesWhenTheBatchIsFinished)
{
    Folder folder;
    AtomicFileBatch batch;
    for (const char* name : {"a.bin", "b.bin", "c.bin"})
        WriteFileAtomically(folder.Path(name), Span({uint8_t(name[0])}), &batch);
    EXPECT_TRUE(Entries(folder).isEmpty());
    EXPECT_TRUE(batch.Finish().empty());
    EXPECT_EQ(Entries(folder), (QStringList{"a.bin", "b.bin", "c.bin"}));
    EXPECT_EQ(ReadBytes(folder.Path("b.bin")), std::vector<uint8_t>{'b'});
}

TEST(AtomicFileBatch, AtMostAGroupOfFilesWaitsAndAFailureIsReportedAlone)
{
    Folder folder;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder.Path("f3/inside"))));
    std::vector<FileError> failures;
    {
        AtomicFileBatch batch;
        const int count = int(AtomicFileBatch::kMaxWaiting) + 2;
        for (int i = 0; i < count; ++i)
            WriteFileAtomically(folder.Path("f" + std::to_string(i)), Span({uint8_t(i)}), &batch);
        // The first group took its names when it was full; the last two wait.
        EXPECT_EQ(Entries(folder).size(), qsizetype(AtomicFileBatch::kMaxWaiting));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.Path("f" + std::to_string(count - 1)))));
        failures = batch.Finish();
        // A batch that ends names what still waits.
        WriteFileAtomically(folder.Path("last"), Span({1}), &batch);
    }
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].Path(), folder.Path("f3"));
    EXPECT_EQ(ReadBytes(folder.Path("f65")), std::vector<uint8_t>{65});
    EXPECT_EQ(ReadBytes(folder.Path("last")), std::vector<uint8_t>{1});
    EXPECT_EQ(Entries(folder).size(), qsizetype(AtomicFileBatch::kMaxWaiting) + 3);
}
