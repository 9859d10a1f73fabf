// Requests from two threads of one client at once, each on its own private
// reply mailbox; reply mailbox names unique across threads and processes.
#include "ChildReport.h"
#include "OneSystemFixture.h"
#include "qdberr.h"
#include "qdbmes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

using cfgtest::ChildResult;
using cfgtest::Note;
using cfgtest::RunChild;

namespace {

class RemoteRequestThreads : public qdbfixture::OneSystemTest {};

TEST_F(RemoteRequestThreads, TwoThreadsOfFiveHundredRequests) {
    ChildResult r = RunChild([] {
        qdbfixture::StartClient();
        std::atomic<int> failures{0}, wrong{0};
        auto requests = [&] {
            char reply[16];
            for (int i = 0; i < 500; ++i) {
                if (cfgstore::SendRemote(reply, sizeof reply, nullptr, '@', 'h', "1", 1) != 0) {
                    ++failures;
                    qdberrclr();
                } else if (std::string(reply) != "1") {
                    ++wrong;
                }
            }
        };
        std::thread a(requests), b(requests);
        a.join();
        b.join();
        Note(std::to_string(failures.load()) + "/" + std::to_string(wrong.load()));
        return 0;
    });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.note, "0/0") << r.err;
}

TEST_F(RemoteRequestThreads, ReplyMailboxNamesNeverRepeat) {
    // Two processes with two threads each take names from the one shared word.
    std::vector<std::string> notes;
    for (int p = 0; p < 2; ++p) {
        ChildResult r = RunChild([] {
            qdbfixture::StartClient();
            std::vector<std::string> names[2];
            auto take = [&](int k) {
                for (int i = 0; i < 5000; ++i) names[k].push_back(cfgstore::NextReplyMailbox());
            };
            std::thread a(take, 0), b(take, 1);
            a.join();
            b.join();
            std::set<std::string> all(names[0].begin(), names[0].end());
            all.insert(names[1].begin(), names[1].end());
            // The sequence part, one per line, for the check across processes.
            std::string seqs;
            for (const std::string& n : all) seqs += n.substr(n.find('.') + 1) + "\n";
            Note(std::to_string(all.size()) + "\n" + seqs);
            return 0;
        });
        ASSERT_EQ(r.exitCode, 0) << r.err;
        notes.push_back(r.note);
    }
    std::set<std::string> seqs;
    for (const std::string& note : notes) {
        EXPECT_EQ(note.substr(0, note.find('\n')), "10000");
        std::size_t pos = note.find('\n') + 1;
        while (pos < note.size()) {
            const std::size_t end = note.find('\n', pos);
            seqs.insert(note.substr(pos, end - pos));
            pos = end + 1;
        }
    }
    EXPECT_EQ(seqs.size(), 20000u);
}

}  // namespace
