// Point lookups of 10,000 random keys among 100,000 cadrs of a type-11 slot-1 index, against
// SQLite point lookups of the same keys in one indexed table, in the same run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bank/bank.h"
#include "bank/bank_writer.h"

namespace {

constexpr int kCadrs = 100000;
constexpr int kLookups = 10000;

struct Fixture {
    std::string folder;
    std::vector<std::string> names;  // of cadr i + 1
    std::vector<std::string> keys;   // looked up, each present
    std::vector<int> expected;
    std::unique_ptr<Bank> bank;
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    sqlite3* db_cached = nullptr;  // a second connection whose page cache holds the whole file
    sqlite3_stmt* query_cached = nullptr;

    Fixture() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "bankbench.XXXXXX").string();
        folder = mkdtemp(pattern.data());
        std::mt19937 rng(12345);
        char buf[64];
        for (int i = 0; i < kCadrs; ++i) {
            std::snprintf(buf, sizeof buf, "data/images/%08x/%05u.jpg", unsigned(rng()),
                          unsigned(rng() % 100000));
            names.push_back(buf);
        }
        for (int i = 0; i < kLookups; ++i) {
            int c = int(rng() % kCadrs) + 1;
            keys.push_back(names[size_t(c - 1)]);
            expected.push_back(c);
        }

        bank::SlotLayout name;
        name.type = 11;
        name.width = 4;
        name.name = "name";
        bank::SlotLayout size;
        size.type = 7;
        size.width = 4;
        size.name = "size";
        size.indexed = false;
        bank::BankWriter writer({name, size});
        for (int i = 0; i < kCadrs; ++i)
            writer.add({bank::Value::text(names[size_t(i)]), bank::Value::number(uint64_t(i), 4)});
        std::string error;
        const std::string bank_folder = folder + "/Base3";
        if (!writer.write(bank_folder, error)) std::fprintf(stderr, "bench: %s\n", error.c_str());
        bank = Bank::open(bank_folder);

        const std::string db_path = folder + "/table.db";
        sqlite3_open(db_path.c_str(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE cadrs(id INTEGER PRIMARY KEY, name TEXT, size INTEGER);"
                     "BEGIN;",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO cadrs VALUES(?1, ?2, ?3)", -1, &insert, nullptr);
        for (int i = 0; i < kCadrs; ++i) {
            sqlite3_bind_int(insert, 1, i + 1);
            sqlite3_bind_text(insert, 2, names[size_t(i)].c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_int(insert, 3, i);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        // Case-insensitive, as the bank's default weights compare names.
        sqlite3_exec(db, "COMMIT; CREATE INDEX cadrs_name ON cadrs(name COLLATE NOCASE);", nullptr,
                     nullptr, nullptr);
        const char* select = "SELECT id FROM cadrs WHERE name = ?1 COLLATE NOCASE";
        sqlite3_prepare_v2(db, select, -1, &query, nullptr);
        sqlite3_open(db_path.c_str(), &db_cached);
        sqlite3_exec(db_cached, "PRAGMA cache_size = -65536;", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db_cached, select, -1, &query_cached, nullptr);
    }
    ~Fixture() {
        sqlite3_finalize(query_cached);
        sqlite3_close(db_cached);
        sqlite3_finalize(query);
        sqlite3_close(db);
        bank.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_BankFind(benchmark::State& state) {
    Fixture& f = fixture();
    int wrong = 0;
    for (auto _ : state) {
        for (int i = 0; i < kLookups; ++i) {
            BankReader reader(*f.bank, 1);
            int c = reader.find(1, f.keys[size_t(i)].c_str(), 0);
            wrong += c != f.expected[size_t(i)];
        }
    }
    if (wrong) state.SkipWithError("wrong results");
    state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(BM_BankFind)->Unit(benchmark::kMillisecond);

void sqlite_lookups(benchmark::State& state, sqlite3_stmt* query) {
    Fixture& f = fixture();
    int wrong = 0;
    for (auto _ : state) {
        for (int i = 0; i < kLookups; ++i) {
            sqlite3_bind_text(query, 1, f.keys[size_t(i)].c_str(), -1, SQLITE_STATIC);
            int c = sqlite3_step(query) == SQLITE_ROW ? sqlite3_column_int(query, 0) : -1;
            sqlite3_reset(query);
            wrong += c != f.expected[size_t(i)];
        }
    }
    if (wrong) state.SkipWithError("wrong results");
    state.SetItemsProcessed(state.iterations() * kLookups);
}

// SQLite with its default page cache.
void BM_SqliteLookup(benchmark::State& state) {
    sqlite_lookups(state, fixture().query);
}
BENCHMARK(BM_SqliteLookup)->Unit(benchmark::kMillisecond);

// SQLite with a page cache that holds the whole database.
void BM_SqliteLookupCached(benchmark::State& state) {
    sqlite_lookups(state, fixture().query_cached);
}
BENCHMARK(BM_SqliteLookupCached)->Unit(benchmark::kMillisecond);

}  // namespace
