#include "platform/ObjSecurity.h"
#include "platform/RegistryStore.h"
#include "platform/Win32Error.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace portlib::platform;

namespace {

constexpr const char* kSection = "SOFTWARE\\Vexa\\Holdervane\\Threads";

TEST(RegistryStoreThreads, WritersAndAListerShareOneKey) {
    hvtest::TempSystemDir sys;
    constexpr int kWriters = 4;
    constexpr int kValues = 25;
    std::atomic<int> failures{0};
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([w, &failures] {
            for (int i = 0; i < kValues; ++i) {
                RegKey key;
                std::string name = hvtest::StepName("t", w, "_", i);
                if (RegistryStore::CreateKey(RegHive::LocalMachine, kSection, &key) != 0 ||
                    RegistryStore::SetValue(key, name.c_str(), HV_REG_BINARY,
                                            reinterpret_cast<const unsigned char*>(name.data()),
                                            static_cast<std::uint32_t>(name.size())) != 0)
                    ++failures;
            }
        });
    }
    std::thread lister([&] {
        while (!done.load()) {
            RegKey key;
            if (RegistryStore::OpenKey(RegHive::LocalMachine, kSection, &key) != 0) continue;
            for (std::uint32_t i = 0;; ++i) {
                char name[64];
                std::uint32_t size = sizeof name;
                int rc = RegistryStore::EnumValue(key, i, name, &size);
                if (rc == HV_ERROR_NO_MORE_ITEMS) break;
                if (rc != 0) {
                    ++failures;
                    break;
                }
            }
        }
    });
    for (auto& t : threads) t.join();
    done = true;
    lister.join();
    EXPECT_EQ(failures.load(), 0);
    RegKey key;
    ASSERT_EQ(RegistryStore::OpenKey(RegHive::LocalMachine, kSection, &key), 0);
    int count = 0;
    for (std::uint32_t i = 0;; ++i) {
        char name[64];
        std::uint32_t size = sizeof name;
        if (RegistryStore::EnumValue(key, i, name, &size) != 0) break;
        ++count;
    }
    EXPECT_EQ(count, kWriters * kValues);
}

TEST(ObjSecurityThreads, OneDescriptorForEveryThread) {
    hvtest::TempSystemDir sys;
    std::vector<const ObjSecurity*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([i, &seen] { seen[i] = ObjSecurity::ForProcess(); });
    for (auto& t : threads) t.join();
    ASSERT_NE(seen[0], nullptr);
    for (const ObjSecurity* s : seen) EXPECT_EQ(s, seen[0]);
}

}  // namespace
