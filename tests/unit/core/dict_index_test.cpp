// The hash index of large dictionaries and the key hash under it: random
// operations checked against a plain list of pairs searched linearly, growth
// across many resizes, removal with dead entries and squeezing, keys that
// only differ in their last byte or hold NUL and high bytes, and the heap
// counters after all of it.
#include "core/text_hash.h"
#include "core/value.h"
#include "tests/unit/core/value_builders.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace palavrino::core {
namespace {

    using namespace test_values;

    // What the dictionary must behave like: pairs in insertion order, found by
    // a linear search.
    struct Model {
        std::vector<std::pair<std::string, int32_t>> entries;

        int32_t Find(const std::string& key) const
        {
            for (size_t i = 0; i < entries.size(); ++i) {
                if (entries[i].first == key)
                    return static_cast<int32_t>(i);
            }
            return -1;
        }
        void Set(const std::string& key, int32_t value)
        {
            int32_t at = Find(key);
            if (at >= 0)
                entries[static_cast<size_t>(at)].second = value;
            else
                entries.emplace_back(key, value);
        }
        int32_t Count() const { return static_cast<int32_t>(entries.size()); }
    };

    // Keys of every shape the hash reads differently: empty, 1 to 3 bytes,
    // 4 to 7, 8 to 16, longer than 16 and 32; NUL and high bytes; families
    // that only differ in their last byte; and integer texts.
    std::vector<std::string> KeyUniverse()
    {
        std::vector<std::string> keys
            = { "", std::string(1, '\0'), std::string(2, '\0'), std::string("a\0b", 3), std::string("\0a", 2),
                  "\xE3o", "a\xE7\xE3o", "\xFF", "\xFF\xFF\xFF\xFF", "\x80\x81\x82\x83\x84" };
        for (size_t length = 1; length <= 40; ++length) {
            std::string stem(length - 1, 'x');
            for (char last : { 'a', 'b', '\0', '\xFF' })
                keys.push_back(stem + last);
        }
        for (int i = 0; i < 2000; ++i)
            keys.push_back(std::to_string(i));
        // Some shapes coincide ("\0" is also a one-byte stem and NUL).
        std::vector<std::string> distinct;
        std::set<std::string> seen;
        for (std::string& key : keys) {
            if (seen.insert(key).second)
                distinct.push_back(std::move(key));
        }
        return distinct;
    }

    // Every key of the universe is found with the model's value, or absent.
    // Only lookups: the dead entries stay where they are.
    void ExpectLookupsAgree(const DictObj& d, const Model& model, const std::vector<std::string>& universe)
    {
        ASSERT_EQ(d.Count(), model.Count());
        for (const std::string& key : universe) {
            const Value* found = d.Find(key);
            const int32_t at = model.Find(key);
            ASSERT_EQ(found != nullptr, at >= 0) << "key of " << key.size() << " bytes";
            if (found != nullptr) {
                ASSERT_EQ(found->AsInt(), model.entries[static_cast<size_t>(at)].second);
            }
        }
    }

    // Order and positions too, which squeezes out the dead entries.
    void ExpectOrderAgrees(const DictObj& d, const Model& model)
    {
        const std::vector<DictEntry>& entries = d.Entries();
        ASSERT_EQ(entries.size(), model.entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            ASSERT_EQ(entries[i].key, model.entries[i].first) << "position " << i;
            ASSERT_EQ(entries[i].value.AsInt(), model.entries[i].second);
            ASSERT_EQ(d.IndexOf(model.entries[i].first), static_cast<int32_t>(i));
        }
    }

    // One random change, applied to both; the result of each is compared.
    void RandomChange(std::mt19937& random, DictObj& d, Model& model,
        const std::vector<std::string>& universe, bool growing, int32_t stamp)
    {
        const unsigned roll = random() % 100;
        const bool insert = growing ? roll < 75 : roll < 25;
        if (insert || model.Count() == 0) {
            const std::string& key = universe[random() % universe.size()];
            if (roll % 2 == 0)
                DictSet(d, key, I(stamp));
            else
                *d.Find(key, true) = I(stamp);
            model.Set(key, stamp);
            return;
        }
        const unsigned how = random() % 10;
        if (how < 6) {
            // Mostly a present key, sometimes one that may be absent.
            std::string key = how < 5 ? model.entries[random() % model.entries.size()].first
                                      : universe[random() % universe.size()];
            const int32_t at = model.Find(key);
            Value removed = how % 2 == 0 ? d.Remove(key) : DictRemove(d, S(key));
            ASSERT_EQ(removed.is(ValueKind::Invalid), at < 0);
            if (at >= 0) {
                ASSERT_EQ(removed.AsInt(), model.entries[static_cast<size_t>(at)].second);
                model.entries.erase(model.entries.begin() + at);
            }
            return;
        }
        // By position: the first, the last or one in the middle.
        const int32_t n = model.Count();
        const int32_t index = how == 6 ? 0 : how == 7 ? n - 1 : static_cast<int32_t>(random() % n);
        Value taken = how == 7 && roll % 2 == 0 ? DictPopLast(d) : d.TakeAt(index);
        ASSERT_EQ(taken.AsInt(), model.entries[static_cast<size_t>(index)].second);
        model.entries.erase(model.entries.begin() + index);
    }

    TEST(DictIndex, RandomOperationsAgreeWithALinearModel)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        const std::vector<std::string> universe = KeyUniverse();
        std::mt19937 random(20261210);
        {
            Value d = Value::NewDict();
            Model model;
            // Grow to a random size, then shrink to a random small one, so the
            // index is built, resized, emptied of many keys, dropped and rebuilt.
            bool growing = true;
            size_t target = 600;
            int crossings = 0;
            for (int32_t round = 1; round <= 12000; ++round) {
                SCOPED_TRACE(round);
                RandomChange(random, d.Dict(), model, universe, growing, round);
                ASSERT_FALSE(HasFatalFailure());
                ASSERT_EQ(stats.dict_nodes, model.Count());
                if (growing && model.entries.size() >= target) {
                    growing = false;
                    target = random() % 7;
                } else if (!growing && model.entries.size() <= target) {
                    growing = true;
                    target = 20 + random() % 600;
                    ++crossings;
                }
                if (round % 101 == 0 || model.Count() <= DictObj::DICT_INDEX_MIN + 2)
                    ExpectLookupsAgree(d.Dict(), model, universe);
                if (round % 997 == 0)
                    ExpectOrderAgrees(d.Dict(), model);
            }
            EXPECT_GE(crossings, 4);
            ExpectLookupsAgree(d.Dict(), model, universe);
            ExpectOrderAgrees(d.Dict(), model);
            EXPECT_EQ(stats.dict_nodes, model.Count());
            EXPECT_EQ(stats.objects, 1);
        }
        EXPECT_EQ(stats.dict_nodes, 0);
        EXPECT_EQ(stats.objects, 0);
    }

    TEST(DictIndex, GrowthKeepsEveryKeyAndTheCreatedSlot)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        Value d = Value::NewDict();
        constexpr int32_t N = 50'000;
        for (int32_t i = 0; i < N; ++i) {
            // The slot handed back by the insertion that grew the table must
            // be the new key's own.
            Value* slot = d.Dict().Find("w" + std::to_string(i), true);
            ASSERT_TRUE(slot->is(ValueKind::Invalid));
            *slot = I(i);
            ASSERT_EQ(d.Dict().Find("w" + std::to_string(i))->AsInt(), i);
            if ((i & (i - 1)) == 0) {
                for (int32_t k = 0; k <= i; ++k)
                    ASSERT_EQ(d.Dict().Find("w" + std::to_string(k))->AsInt(), k);
            }
        }
        // A present key hands back its existing slot.
        *d.Dict().Find("w7", true) = I(-7);
        EXPECT_EQ(d.Dict().Count(), N);
        EXPECT_EQ(d.Dict().Find("w7")->AsInt(), -7);
        EXPECT_EQ(d.Dict().IndexOf("w49999"), N - 1);
        EXPECT_EQ(d.Dict().Find("w50000"), nullptr);
        EXPECT_EQ(stats.dict_nodes, N);
    }

    TEST(DictIndex, UnusualKeysAreAllDistinct)
    {
        const std::vector<std::string> keys = KeyUniverse();
        for (size_t size : { size_t { 6 }, keys.size() }) {
            SCOPED_TRACE(size);
            Value d = Value::NewDict();
            Model model;
            for (size_t i = 0; i < size; ++i) {
                DictSet(d.Dict(), keys[i], I(static_cast<int32_t>(i)));
                model.Set(keys[i], static_cast<int32_t>(i));
            }
            ASSERT_EQ(d.Dict().Count(), static_cast<int32_t>(size));
            ExpectLookupsAgree(d.Dict(), model, keys);
            EXPECT_EQ(d.Dict().Find(std::string(3, '\0')), nullptr);
            EXPECT_EQ(d.Dict().Find("\xE3"), nullptr);
            // Removing each key in turn leaves every other one reachable.
            for (size_t i = 0; i<size; i += size> 100 ? 37 : 1) {
                ASSERT_EQ(d.Dict().Remove(keys[i]).AsInt(), static_cast<int32_t>(i));
                model.entries.erase(model.entries.begin() + model.Find(keys[i]));
                ExpectLookupsAgree(d.Dict(), model, keys);
            }
            ExpectOrderAgrees(d.Dict(), model);
        }
    }

    TEST(DictIndex, RemovalAndReinsertionOfTheSameKey)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        Value d = Value::NewDict();
        Model model;
        for (int32_t i = 0; i < 40; ++i) {
            DictSet(d.Dict(), "k" + std::to_string(i), I(i));
            model.Set("k" + std::to_string(i), i);
        }
        // Each round leaves one more dead entry in the middle until the dead
        // outnumber the live and are squeezed out.
        for (int32_t round = 0; round < 1000; ++round) {
            const std::string key = "k" + std::to_string(round % 40);
            ASSERT_FALSE(d.Dict().Remove(key).is(ValueKind::Invalid));
            ASSERT_EQ(d.Dict().Find(key), nullptr);
            ASSERT_TRUE(d.Dict().Remove(key).is(ValueKind::Invalid));
            DictSet(d.Dict(), key, I(1000 + round));
            model.entries.erase(model.entries.begin() + model.Find(key));
            model.Set(key, 1000 + round);
            ASSERT_EQ(d.Dict().Count(), 40);
            ASSERT_EQ(d.Dict().Find(key)->AsInt(), 1000 + round);
        }
        ExpectLookupsAgree(d.Dict(), model, KeyUniverse());
        ExpectOrderAgrees(d.Dict(), model);
        EXPECT_EQ(stats.dict_nodes, 40);
    }

    TEST(DictIndex, TakeAtWithDeadEntriesAroundIt)
    {
        Value d = Value::NewDict();
        Model model;
        for (int32_t i = 0; i < 30; ++i) {
            DictSet(d.Dict(), "k" + std::to_string(i), I(i));
            model.Set("k" + std::to_string(i), i);
        }
        // Dead entries at the front, in the middle and just before the last.
        for (const char* key : { "k0", "k1", "k14", "k15", "k28" }) {
            d.Dict().Remove(key);
            model.entries.erase(model.entries.begin() + model.Find(key));
        }
        const auto take = [&](int32_t index) {
            SCOPED_TRACE(index);
            ASSERT_EQ(d.Dict().TakeAt(index).AsInt(), model.entries[static_cast<size_t>(index)].second);
            model.entries.erase(model.entries.begin() + index);
            ExpectLookupsAgree(d.Dict(), model, KeyUniverse());
        };
        const auto take_checked = [&](int32_t index) {
            take(index);
            return !HasFatalFailure();
        };
        ASSERT_TRUE(take_checked(d.Dict().Count() - 1)); // k29; the dead k28 is left trailing
        ASSERT_TRUE(take_checked(d.Dict().Count() - 1)); // k27, past the trailing dead entry
        ASSERT_TRUE(take_checked(0));
        ASSERT_TRUE(take_checked(d.Dict().Count() / 2));
        ASSERT_TRUE(take_checked(d.Dict().Count() - 1));
        ExpectOrderAgrees(d.Dict(), model);
        // Down to nothing from the middle, across the index threshold.
        while (model.Count() > 0)
            ASSERT_TRUE(take_checked(model.Count() / 2));
        EXPECT_EQ(d.Dict().Count(), 0);
    }

    TEST(DictIndex, ShrinkingBelowAndGrowingAboveTheThreshold)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        Value d = Value::NewDict();
        Model model;
        const int32_t top = DictObj::DICT_INDEX_MIN * 3;
        for (int32_t cycle = 0; cycle < 3; ++cycle) {
            for (int32_t i = 0; i < top; ++i) {
                const std::string key = "c" + std::to_string(cycle) + "_" + std::to_string(i);
                DictSet(d.Dict(), key, I(i));
                model.Set(key, i);
            }
            // Remove from the front, leaving dead entries, down to one entry.
            while (model.Count() > 1) {
                const std::string key = model.entries.front().first;
                ASSERT_EQ(d.Dict().Remove(key).AsInt(), model.entries.front().second);
                model.entries.erase(model.entries.begin());
                ASSERT_EQ(d.Dict().Count(), model.Count());
                ASSERT_EQ(d.Dict().Find(model.entries.back().first)->AsInt(), model.entries.back().second);
            }
            ExpectOrderAgrees(d.Dict(), model);
            ASSERT_EQ(stats.dict_nodes, 1);
        }
    }

    // ---- The key hash ----------------------------------------------------------

    TEST(TextHash, EveryByteOfEveryLengthCounts)
    {
        // A byte the hash failed to read would leave the hash unchanged.
        for (size_t length = 1; length <= 70; ++length) {
            std::string text(length, 'q');
            for (size_t i = 0; i < length; ++i)
                text[i] = static_cast<char>('a' + (i * 7) % 26);
            const uint64_t base = HashText(text);
            for (size_t i = 0; i < length; ++i) {
                for (char other : { '\0', '\x01', '\x80', '\xFF' }) {
                    std::string changed = text;
                    changed[i] = other;
                    EXPECT_NE(HashText(changed), base) << "length " << length << ", byte " << i;
                }
            }
        }
        // Texts of zero bytes differ by their length alone.
        std::set<uint64_t> zeros;
        for (size_t length = 0; length <= 40; ++length)
            zeros.insert(HashText(std::string(length, '\0')));
        EXPECT_EQ(zeros.size(), 41u);
        EXPECT_EQ(HashText("palavra"), HashText(std::string("palavra")));
    }

    TEST(TextHash, LowBitsSpreadSimilarKeys)
    {
        // Integer texts and words with a common stem, as scripts use, over
        // 1024 buckets chosen by the low bits: about 10 per bucket.
        for (const char* stem : { "", "chave_", "uma_chave_bem_mais_longa_que_dezesseis_" }) {
            SCOPED_TRACE(stem);
            std::vector<int> buckets(1024, 0);
            for (int i = 0; i < 10240; ++i) {
                ++buckets[HashText32(stem + std::to_string(i)) & 1023];
            }
            EXPECT_LE(*std::max_element(buckets.begin(), buckets.end()), 30);
            EXPECT_GE(*std::min_element(buckets.begin(), buckets.end()), 1);
        }
    }

} // namespace
} // namespace palavrino::core
