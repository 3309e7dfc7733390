#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "platform/Failure.h"
#include "platform/posix/FileRegistry.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using platform::Failure;
using platform::posix::FileRegistry;
using test_support::namesIn;
using test_support::readFile;
using test_support::TemporaryFolder;
using test_support::writeFile;

constexpr char kPrinterKey[] = "Software\\Drevmark PDF Writer";
constexpr char kSettingsKey[] = "Software\\VB and VBA Program Settings\\Drevmark\\Calvenor";

int tempFilesBelow(const std::string& folder) {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator{folder}) {
        count += entry.path().filename().string().find(".tmp-") != std::string::npos;
    }
    return count;
}

std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.description();
    }
    return "(no failure)";
}

class FileRegistryTest : public ::testing::Test {
  protected:
    TemporaryFolder temp;
    std::string root = temp / "config/calvenor/registry";
    FileRegistry registry{root};
    std::string printerValues = root + "/Software/Drevmark PDF Writer/.values.reg";
};

TEST_F(FileRegistryTest, TextsAndNamesSurviveByteForByte) {
    const std::vector<std::string> texts = {
        "",
        " leading and trailing blanks \t",
        "C:\\Users\\ann\\Desktop\\",
        "\"quoted\" and \\\" and \\x41 and \\n written out",
        "a=b==c",
        "line one\nline two\r\nline three\n",
        "Žluťoučký kůň 日本語 🙂",
        std::string{"NUL \0 inside", 12},
        "\x01\x1f\x7f bytes \xff\xfe not UTF-8",
        "\"name\"=\"looks like a line\"",
        std::string(100000, 'x') + "end",
    };
    auto writer = registry.createKey(kPrinterKey);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        writer->writeString("Value " + std::to_string(i), texts[i]);
        writer->writeString(texts[i], "named by text " + std::to_string(i));
    }
    auto key = FileRegistry{root}.openKey(kPrinterKey);
    ASSERT_TRUE(key);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(key->readString("Value " + std::to_string(i)), texts[i]) << "text " << i;
        EXPECT_EQ(key->readString(texts[i]), "named by text " + std::to_string(i)) << "name " << i;
    }
}

TEST_F(FileRegistryTest, NamesIgnoreCaseKeepTheirFirstSpellingAndAreNeverCached) {
    auto early = registry.createKey(kSettingsKey);
    early->writeString("LastFolderDot", "/home/ann");
    FileRegistry otherProcess{root};
    otherProcess.createKey("SOFTWARE\\vb and vba program settings\\DREVMARK\\calvenor")
        ->writeString("lastfolderdot", "/srv");

    EXPECT_EQ(early->readString("LASTFOLDERDOT"), "/srv");
    EXPECT_EQ(namesIn(root), (std::vector<std::string>{".values.lock", "Software"}));
    EXPECT_EQ(readFile(root + "/Software/VB and VBA Program Settings/Drevmark/Calvenor/.values.reg"),
              "\"LastFolderDot\"=\"/srv\"\n");
}

TEST_F(FileRegistryTest, TellsMissingKeyMissingValueAndEmptyValueApart) {
    EXPECT_EQ(registry.openKey(kPrinterKey), nullptr);
    EXPECT_FALSE(fs::exists(root)) << "opening must not create anything";

    auto created = registry.createKey(kPrinterKey);
    EXPECT_EQ(created->readString("OutputFile"), std::nullopt);
    EXPECT_NE(registry.openKey("Software"), nullptr) << "parents are created with the key";
    EXPECT_EQ(registry.openKey("Software\\Drevmark PDF Writer\\Missing"), nullptr);

    created->writeString("OutputFile", "");
    EXPECT_EQ(registry.openKey(kPrinterKey)->readString("OutputFile"), "");
    EXPECT_EQ(registry.openKey(kPrinterKey)->readString("BypassSaveAs"), std::nullopt);
}

TEST_F(FileRegistryTest, FilesAndFoldersArePrivateWhateverTheUmask) {
    for (const mode_t mask : {mode_t{0}, mode_t{0777}}) {
        TemporaryFolder folder;
        const mode_t old = ::umask(mask);
        FileRegistry privateRegistry{folder / "config/calvenor/registry"};
        privateRegistry.createKey(kSettingsKey)->writeString("Password", "secret");
        privateRegistry.createKey(kPrinterKey)->writeString("OutputFile", "/tmp/a.pdf");
        ::umask(old);

        int checked = 0;
        for (const auto& entry : fs::recursive_directory_iterator{folder.path()}) {
            struct stat status {};
            ASSERT_EQ(::lstat(entry.path().c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 07777, S_ISDIR(status.st_mode) ? 0700u : 0600u)
                << entry.path() << " with umask " << std::oct << mask;
            ++checked;
        }
        EXPECT_GE(checked, 10);
    }
}

TEST_F(FileRegistryTest, NeverLeavesTheRoot) {
    registry.createKey("Software")->writeString("Kept", "yes");
    for (const std::string path :
         {"..", ".", "Software\\..\\..\\..\\escaped", "..\\escaped", "Software\\\\Drevmark", "\\Software",
          "Software\\", "../escaped", "Software\\a/b", "/etc", "Software\\.values.reg",
          "Software\\.VALUES.LOCK"}) {
        EXPECT_THROW(registry.createKey(path), Failure) << path;
        EXPECT_THROW(registry.openKey(path), Failure) << path;
    }
    EXPECT_THROW(registry.createKey(std::string{"Soft\0ware", 9}), Failure);
    EXPECT_EQ(failureOf([&] { registry.createKey("Software\\..\\x"); }),
              "Invalid registry key path \"Software\\..\\x\": \".\" and \"..\" are not key names");

    fs::create_directories(temp / "outside");
    fs::create_directory_symlink(temp / "outside", root + "/Linked");
    EXPECT_EQ(registry.openKey("Linked"), nullptr);
    EXPECT_THROW(registry.createKey("Linked\\Key"), Failure);

    EXPECT_TRUE(fs::is_empty(temp / "outside"));
    EXPECT_EQ(namesIn(temp.path()), (std::vector<std::string>{"config", "outside"}));
    EXPECT_EQ(namesIn(root), (std::vector<std::string>{".values.lock", "Linked", "Software"}));
    EXPECT_EQ(namesIn(root + "/Software"), (std::vector<std::string>{".values.lock", ".values.reg"}));
}

// Makes every write past the given size fail, as a full disk does.
class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(rlim_t bytes) : oldHandler_(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }

  private:
    sighandler_t oldHandler_;
    rlimit old_{};
};

TEST_F(FileRegistryTest, FailuresNameThePathAndReasonAndKeepTheOldValue) {
    writeFile(temp / "plain-file", "not a folder");
    FileRegistry blocked{temp / "plain-file/registry"};
    EXPECT_EQ(blocked.openKey(kSettingsKey), nullptr);
    EXPECT_EQ(failureOf([&] { blocked.createKey(kSettingsKey); }),
              "Cannot create the folder " + temp / "plain-file/registry: " + std::strerror(ENOTDIR));

    auto key = registry.createKey(kPrinterKey);
    key->writeString("OutputFile", "/home/ann/old.pdf");
    {
        ScopedFileSizeLimit diskFull{4096};
        EXPECT_EQ(failureOf([&] { key->writeString("OutputFile", std::string(64 * 1024, 'n')); }),
                  "Cannot write the file " + printerValues + ": " + std::strerror(EFBIG));
    }
    EXPECT_EQ(registry.openKey(kPrinterKey)->readString("OutputFile"), "/home/ann/old.pdf");
    EXPECT_EQ(tempFilesBelow(root), 0);

    // A writer that died mid-write leaves its temporary file (with a password, perhaps); the next one clears
    // it.
    writeFile(printerValues + ".tmp-Ab12Cd", "\"OutputFile\"=\"/half");
    key->writeString("BypassSaveAs", "1");
    EXPECT_EQ(tempFilesBelow(root), 0);
}

TEST_F(FileRegistryTest, APipeOrFolderInPlaceOfTheValuesIsRefusedAtOnce) {
    registry.createKey(kPrinterKey);
    ASSERT_EQ(::mkfifo(printerValues.c_str(), 0600), 0);
    // Should the read wait for a writer, one comes after a while, so that the test fails instead of hanging.
    std::thread lateWriter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        const int fd = ::open(printerValues.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] { registry.openKey(kPrinterKey)->readString("OutputFile"); }),
              "Cannot read the file " + printerValues + ": " + std::strerror(EINVAL));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    lateWriter.join();

    fs::remove(printerValues);
    fs::create_directory(printerValues);
    EXPECT_EQ(failureOf([&] { registry.openKey(kPrinterKey)->readString("OutputFile"); }),
              "Cannot read the file " + printerValues + ": " + std::strerror(EINVAL));
}

TEST_F(FileRegistryTest, DamagedFileKeepsItsReadableValues) {
    auto key = registry.createKey(kPrinterKey);
    constexpr char kPngStart[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe";
    const std::string garbage{kPngStart, sizeof kPngStart - 1};  // the NULs inside too
    writeFile(printerValues, garbage +
                                 "\n\"OutputFile\"=\"/a.pdf\"\n; a comment\n"
                                 "\"Copies\"=\"unterminated\n\"Location\" = \"/out/\"\r\n"
                                 "Plain=/not/quoted\n\"Bad\"=\"escape \\q\"\n"
                                 "\"outputfile\"=\"/b.pdf\"\n\"LastFolderDot\"=\"/ho");
    EXPECT_EQ(key->readString("OutputFile"), "/b.pdf") << "a repeated name: the later line wins";
    EXPECT_EQ(key->readString("Location"), "/out/");
    for (const char* unreadable : {"Copies", "Plain", "Bad", "LastFolderDot"}) {
        EXPECT_EQ(key->readString(unreadable), std::nullopt) << unreadable;
    }
    key->writeString("Copies", "2");
    EXPECT_EQ(key->readString("Copies"), "2");
    EXPECT_EQ(key->readString("Location"), "/out/");
    EXPECT_NE(readFile(printerValues).find(garbage + "\n"), std::string::npos)
        << "unreadable lines are kept as they stood";

    // Cut anywhere, a file yields each value either whole or not at all.
    const std::map<std::string, std::string> values = {{"OutputFile", "/home/ann/\"Q3\" \\ report\n.pdf"},
                                                       {"BypassSaveAs", "1"},
                                                       {"Tab\tName", "x\x01y\\x41"}};
    writeFile(printerValues, "");
    for (const auto& [name, value] : values) key->writeString(name, value);
    const std::string whole = readFile(printerValues);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        writeFile(printerValues, whole.substr(0, length));
        for (const auto& [name, value] : values) {
            EXPECT_EQ(key->readString(name).value_or(value), value) << name << " from " << length << " bytes";
        }
    }
}

TEST_F(FileRegistryTest, ReaderNeverSeesAHalfWrittenValue) {
    const std::string first(100000, 'a');
    const std::string second(60000, 'b');
    registry.createKey(kPrinterKey)->writeString("OutputFile", first);

    std::atomic<bool> done{false};
    std::thread writer{[&] {
        auto key = FileRegistry{root}.createKey(kPrinterKey);
        for (int i = 0; i < 20; ++i) key->writeString("OutputFile", i % 2 ? first : second);
        done = true;
    }};
    int badReads = 0;
    while (!done) {
        const auto value = registry.openKey(kPrinterKey)->readString("OutputFile");
        badReads += value != first && value != second;
    }
    writer.join();
    EXPECT_EQ(badReads, 0);
    EXPECT_EQ(tempFilesBelow(root), 0);
}

TEST_F(FileRegistryTest, TwoWriterProcessesLoseNoUpdate) {
    constexpr int kValuesEach = 30;
    registry.createKey(kPrinterKey);
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);

    std::vector<pid_t> writers;
    for (const std::string prefix : {"program", "printer"}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            char start;
            [[maybe_unused]] auto ignored = ::read(gate[0], &start, 1);  // both begin together
            try {
                auto key = FileRegistry{root}.openKey(kPrinterKey);
                for (int i = 0; i < kValuesEach; ++i) key->writeString(prefix + std::to_string(i), "x");
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        writers.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    auto key = registry.openKey(kPrinterKey);
    int missing = 0;
    for (const std::string prefix : {"program", "printer"}) {
        for (int i = 0; i < kValuesEach; ++i) missing += !key->readString(prefix + std::to_string(i));
    }
    EXPECT_EQ(missing, 0);
}

// Stores are not flushed to the disk, so a killed program must still leave the last stored text whole,
// as typing into a remembered field does: one store per keystroke until the kill comes.
TEST_F(FileRegistryTest, AKilledWriterLeavesItsLastStoredTextWhole) {
    const std::string typed(20000, 'k');
    registry.createKey(kSettingsKey)->writeString("Password", "secret");
    int stored[2];
    ASSERT_EQ(::pipe(stored), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(stored[0]);
        auto key = FileRegistry{root}.createKey(kSettingsKey);
        for (std::uint32_t length = 1; length <= typed.size(); ++length) {
            key->writeString("Database", std::string_view{typed}.substr(0, length));
            if (::write(stored[1], &length, sizeof length) != sizeof length) ::_exit(1);
        }
        ::_exit(0);
    }
    ::close(stored[1]);
    std::uint32_t lastStored = 0;
    for (int count = 0;
         count < 200 && ::read(stored[0], &lastStored, sizeof lastStored) == sizeof lastStored;)
        ++count;
    ::kill(pid, SIGKILL);  // mid-store, most likely: the writer does little else
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::close(stored[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended before the kill";

    auto key = registry.openKey(kSettingsKey);
    const auto database = key->readString("Database");
    ASSERT_TRUE(database.has_value());
    // The last store the writer finished, or the one it was in when it died; never a part of either.
    EXPECT_GE(database->size(), lastStored);
    EXPECT_LE(database->size(), typed.size());
    EXPECT_EQ(*database, typed.substr(0, database->size()));
    EXPECT_EQ(key->readString("Password"), "secret");
    key->writeString("Database", "/after.mdb");  // the next store clears what the killed one left
    EXPECT_EQ(tempFilesBelow(root), 0);
}

}  // namespace
