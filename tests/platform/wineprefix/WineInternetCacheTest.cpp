#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/wineprefix/UrlCacheFile.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
#include "support/RunningWineServer.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using quorvel::platform::CacheContainer;
using quorvel::platform::CacheEntry;
using quorvel::platform::ErrorCode;
using quorvel::testing::MachineBuilder;
using quorvel::testing::ReadWholeFile;
using quorvel::testing::RunningWineServer;
using quorvel::testing::TempDir;
namespace urlcache = quorvel::platform::wineprefix::urlcache;

namespace {

const std::string kContent = MachineBuilder::urlCacheFolder(CacheContainer::Content);

class WineInternetCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        builder_.urlCache(CacheContainer::Content, {{"http://example.com/", "index[1].htm", 1200},
                                                    {"http://example.com/a.png", "a[1].png", 4096},
                                                    {"http://example.com/noFile", "", 0}});
        builder_.urlCache(CacheContainer::Cookies,
                          {{"Cookie:tester@example.com/", "tester@example[1].txt", 80,
                            quorvel::platform::cacheentry::Cookie}});
    }
    quorvel::platform::InternetCache& cache() {
        if (!machine_) machine_ = builder_.build();
        return machine_->internetCache();
    }
    std::vector<std::string> urls(CacheContainer c) {
        std::vector<std::string> out;
        auto list = cache().entries(c);
        EXPECT_TRUE(list) << list.status().message();
        if (list)
            for (const auto& e : *list)
                out.push_back(e.sourceUrl);
        std::sort(out.begin(), out.end());
        return out;
    }
    fs::path host(const std::string& windowsPath) { return builder_.hostPath(windowsPath); }

    MachineBuilder builder_;
    std::unique_ptr<quorvel::platform::wineprefix::WinePrefixMachine> machine_;
};

}  // namespace

TEST_F(WineInternetCacheTest, ListsEachContainerWithLocalFilesAndSizes) {
    const auto listed = [&](CacheContainer c) {
        std::vector<std::tuple<std::string, std::string, std::uint64_t, std::uint32_t>> out;
        const auto entries = cache().entries(c);
        for (const CacheEntry& e : entries.value())
            out.emplace_back(e.sourceUrl, e.localFile, e.size, e.entryType);
        std::sort(out.begin(), out.end());
        return out;
    };
    const auto normal = quorvel::platform::cacheentry::Normal;
    const auto cookie = quorvel::platform::cacheentry::Cookie;
    EXPECT_EQ(listed(CacheContainer::Content),
              (decltype(listed(CacheContainer::Content)){
                  {"http://example.com/", kContent + "\\QVCACHE1\\index[1].htm", 1200, normal},
                  {"http://example.com/a.png", kContent + "\\QVCACHE1\\a[1].png", 4096, normal},
                  {"http://example.com/noFile", "", 0, normal}}));
    EXPECT_EQ(
        listed(CacheContainer::Cookies),
        (decltype(listed(CacheContainer::Cookies)){
            {"Cookie:tester@example.com/",
             MachineBuilder::urlCacheFolder(CacheContainer::Cookies) + "\\tester@example[1].txt",
             80, cookie}}));
    EXPECT_TRUE(listed(CacheContainer::History).empty());  // no index yet: an empty container
}

TEST_F(WineInternetCacheTest, DeletionRemovesTheEntryAndItsFileOnly) {
    const fs::path png = host(kContent + "\\QVCACHE1\\a[1].png");
    const fs::path htm = host(kContent + "\\QVCACHE1\\index[1].htm");
    ASSERT_TRUE(cache().deleteEntry(CacheContainer::Content, "http://example.com/a.png"));
    EXPECT_FALSE(fs::exists(png));
    EXPECT_TRUE(fs::exists(htm));
    EXPECT_EQ(urls(CacheContainer::Content),
              (std::vector<std::string>{"http://example.com/", "http://example.com/noFile"}));
    EXPECT_EQ(cache().deleteEntry(CacheContainer::Content, "http://example.com/a.png").code(),
              ErrorCode::FileNotFound);
    EXPECT_TRUE(cache().deleteEntry(CacheContainer::Content, "http://example.com/noFile"));
    EXPECT_EQ(urls(CacheContainer::History), std::vector<std::string>{});
    EXPECT_EQ(cache().deleteEntry(CacheContainer::History, "Visited: x").code(),
              ErrorCode::FileNotFound);
}

TEST_F(WineInternetCacheTest, AFileReplacedSinceItWasCachedIsNotTheEntrysAndStays) {
    const std::string file = kContent + "\\QVCACHE1\\index[1].htm";
    builder_.lastWrite(file, quorvel::platform::FileTime::fromUnix(1750000000));
    ASSERT_TRUE(cache().deleteEntry(CacheContainer::Content, "http://example.com/"));
    EXPECT_TRUE(fs::exists(host(file)));
    EXPECT_EQ(urls(CacheContainer::Content).size(), 2u);
}

TEST_F(WineInternetCacheTest, RefusedWritesLeaveIndexAndFilesAsTheyWere) {
    TempDir outside;
    const fs::path index = host(kContent + "\\index.dat");
    const std::string before = ReadWholeFile(index);

    {
        RunningWineServer server(builder_.prefix());
        ASSERT_TRUE(server.running());
        EXPECT_EQ(cache().deleteEntry(CacheContainer::Content, "http://example.com/a.png").code(),
                  ErrorCode::SharingViolation);
        EXPECT_TRUE(fs::exists(host(kContent + "\\QVCACHE1\\a[1].png")));
    }
    // The cache folder is a link out of the prefix: the file behind it stays, and so does the
    // entry, since its file could not go.
    const fs::path cacheFolder = host(kContent + "\\QVCACHE1");
    fs::rename(cacheFolder, outside.path() / "QVCACHE1");
    fs::create_symlink(outside.path() / "QVCACHE1", cacheFolder);
    EXPECT_FALSE(cache().deleteEntry(CacheContainer::Content, "http://example.com/a.png"));
    EXPECT_TRUE(fs::exists(outside.path() / "QVCACHE1" / "a[1].png"));
    EXPECT_TRUE(ReadWholeFile(index) == before);

    // A damaged index: a clear error for both calls, the file untouched.
    const std::string cut = before.substr(0, before.size() - 100);
    std::ofstream(index, std::ios::binary | std::ios::trunc) << cut;
    auto listed = cache().entries(CacheContainer::Content);
    ASSERT_FALSE(listed);
    EXPECT_NE(listed.status().message().find("index.dat"), std::string::npos);
    EXPECT_EQ(cache().deleteEntry(CacheContainer::Content, "http://example.com/").code(),
              ErrorCode::BadFormat);
    EXPECT_TRUE(ReadWholeFile(index) == cut);

    // index.dat itself linked out of the prefix: read, but never written through.
    fs::remove(index);
    const fs::path outsideIndex = outside.path() / "index.dat";
    std::ofstream(outsideIndex, std::ios::binary) << before;
    fs::create_symlink(outsideIndex, index);
    EXPECT_FALSE(cache().deleteEntry(CacheContainer::Content, "http://example.com/"));
    EXPECT_TRUE(ReadWholeFile(outsideIndex) == before);
}
