// Scratch folder and small helpers shared by the store tests.
// Every test gets its own folder, removed afterwards.
#pragma once

#include "TAVserver/store/store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tav::store::testing {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = ::testing::TempDir() + "tavstoreXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        // A permissive umask, so that owner-only files prove the layer made them so.
        oldMask_ = ::umask(022);
    }
    void TearDown() override {
        ::umask(oldMask_);
        std::filesystem::remove_all(dir_);
    }

    std::string file(const std::string& name) const { return dir_ + "/" + name; }
    const std::string& dir() const { return dir_; }

    // The values of one field, walking from the first record to the end.
    static std::vector<Value> walkForward(Table& t, const std::string& field) {
        std::vector<Value> out;
        for (bool on = t.moveFirst(); on; on = t.moveNext()) out.push_back(t.get(field));
        EXPECT_TRUE(t.eof());
        return out;
    }
    static std::vector<Value> walkBackward(Table& t, const std::string& field) {
        std::vector<Value> out;
        for (bool on = t.moveLast(); on; on = t.movePrev()) out.push_back(t.get(field));
        EXPECT_TRUE(t.bof());
        return out;
    }
    static std::vector<Value> ints(std::initializer_list<long long> xs) {
        return std::vector<Value>(xs.begin(), xs.end());
    }
    static void add(Table& t, std::initializer_list<std::pair<const char*, Value>> fields) {
        t.addNew();
        for (const auto& [name, v] : fields) t.set(std::string_view(name), v);
        t.update();
    }

private:
    std::string dir_;
    mode_t oldMask_ = 0;
};

}  // namespace tav::store::testing
