#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/Converters.hpp"
#include "text/content/BookTextConversion.hpp"

namespace {

using testing_support::ConverterOf;

// Each group as "source>chosen|alternatives:count", in the converter's order.
std::vector<std::string> GroupsOf(const text::UncertainPlaces& places) {
    std::vector<std::string> groups;
    for (const text::UncertainPlaces::Group& group : places.Groups()) {
        if (group.count == 0) {
            continue;
        }
        std::string shown = group.choice->source + ">" + group.choice->chosen + "|";
        for (const std::string& alternative : group.choice->alternatives) {
            shown += alternative;
        }
        groups.push_back(shown + ":" + std::to_string(group.count));
    }
    std::sort(groups.begin(), groups.end());
    return groups;
}

struct UncertainCase {
    const char* name;
    text::Profile profile;
    std::string markup;
    std::vector<std::string> groups;
};

// A lone character can only take its own entry; a phrase around it settles it; names, ids and
// references are not the text's places; the output is the conversion's without a collector.
TEST(UncertainPlaces, ListsTheCharactersNoPhraseSettled) {
    const std::string book =
        "<p id=\"发\">头发</p><p>发</p><p class=\"x\">发。</p><p>面</p>"
        "<a href=\"面.xhtml\">x</a><p>反复</p>";
    const std::vector<UncertainCase> cases = {
        {"char takes every such character",
         text::Profile::Char,
         book,
         {"发>發|髮:3", "复>復|複覆:1", "面>面|麪:1"}},
        {"s2twp: the phrase settles 头发, a phrase with forms of its own is a place",
         text::Profile::S2twp,
         book,
         {"反复>反覆|反復:1", "发>發|髮:2", "面>面|麵:1"}},
        {"s2t: the same places",
         text::Profile::S2t,
         book,
         {"反复>反覆|反復:1", "发>發|髮:2", "面>面|麪:1"}},
        {"t2s: the other direction", text::Profile::T2s, "<p>乾</p><p>乾淨</p>", {"乾>干|乾:2"}},
        {"a text without such characters", text::Profile::S2twp, "<p>头发</p>", {}},
    };
    for (const UncertainCase& test : cases) {
        const text::TextConverter& converter = *ConverterOf(test.profile);
        text::UncertainPlaces places;
        const std::string noted = text::ConvertBookText(test.markup, text::BookTextKind::Markup,
                                                        converter, test.profile, {}, &places);
        EXPECT_EQ(GroupsOf(places), test.groups) << test.name;
        EXPECT_EQ(noted, text::ConvertBookText(test.markup, text::BookTextKind::Markup, converter,
                                               test.profile))
            << test.name;
    }
}

// A user's key settles its places; the stretches between keys are still noted.
TEST(UncertainPlaces, LeavesOutWhatTheUsersPhrasesSettle) {
    text::Dictionary entries;
    ASSERT_FALSE(text::ParsePhraseText("发\t髮\n", entries));
    const auto phrases = std::make_shared<const text::UserPhrases>(entries);
    const auto converter = text::LoadConverter(text::Profile::S2twp, phrases).converter;
    const std::string markup = "<p>发</p><p>面</p>";
    text::UncertainPlaces places;
    EXPECT_EQ(text::ConvertBookText(markup, text::BookTextKind::Markup, *converter,
                                    text::Profile::S2twp, {}, &places),
              "<p>髮</p><p>面</p>");
    EXPECT_EQ(GroupsOf(places), std::vector<std::string>{"面>面|麵:1"});
}

// A place tells where it is: its offset and up to twelve characters on each side, never across
// markup; the first three of a group are kept, the rest counted.
TEST(UncertainPlaces, KeepsTheFirstPlacesWithTheirContext) {
    const std::string text = "<p>一二三四五六七八九十甲乙丙发吗吧</p><p>面</p>发x发y发";
    text::UncertainPlaces places;
    text::ConvertBookText(text, text::BookTextKind::Markup, *ConverterOf(text::Profile::Char),
                          text::Profile::Char, {}, &places);
    const text::UncertainPlaces::Group* fa = nullptr;
    for (const text::UncertainPlaces::Group& group : places.Groups()) {
        fa = group.count > 0 && group.choice->source == "发" ? &group : fa;
    }
    ASSERT_NE(fa, nullptr);
    EXPECT_EQ(fa->count, 4u);
    ASSERT_EQ(fa->places.size(), 3u);
    EXPECT_EQ(fa->places[0].offset, text.find("发"));
    EXPECT_EQ(fa->places[0].before, "二三四五六七八九十甲乙丙");
    EXPECT_EQ(fa->places[0].after, "吗吧");
    EXPECT_EQ(fa->places[1].before, "");
    EXPECT_EQ(fa->places[1].after, "x发y发");
    EXPECT_EQ(places.Total(), 5u);
}

// Ends that agree are set aside by whole characters, even where a first byte agrees (后 and 後
// share theirs); what is left counts in place, or whole when its lengths differ.
TEST(UncertainPlaces, ComparesChangedCharactersInPlace) {
    const struct {
        const char* from;
        const char* to;
        std::size_t changed;
    } cases[] = {
        {"后", "後", 1},         {"后", "後面", 2},      {"书后", "書後", 2}, {"a后b", "a後b", 1},
        {"后面后", "後面后", 1}, {"U盘a", "隨身碟a", 3}, {"abc", "abc", 0},   {"", "x", 1},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(text::ChangedCharacters(each.from, each.to), each.changed) << each.from;
    }
}

struct ChangedCase {
    const char* name;
    text::Profile profile;
    const char* phrases;  // the user's phrase file
    std::string markup;
    std::size_t changed;
};

// Characters are counted where the conversion changed them, whichever way it took: the table, a
// phrase of the same length or of another, a step that joins characters, a user's key.
TEST(UncertainPlaces, CountsTheCharactersTheConversionChanged) {
    const std::string ascii = "0123456789abcdef";
    const std::vector<ChangedCase> cases = {
        {"char, character by character", text::Profile::Char, "", "<p>简体中文书</p>", 3},
        {"char, among plain text", text::Profile::Char, "",
         "<p>" + ascii + "发" + ascii + "后x</p>", 2},
        {"s2twp, a phrase of the same length", text::Profile::S2twp, "", "<p>发现</p>", 2},
        {"s2twp, a phrase that grows", text::Profile::S2twp, "", "<p>U盘</p>", 3},
        {"s2twp, a phrase and characters", text::Profile::S2twp, "", "<p>后面的书中文</p>", 2},
        {"s2twp, a later step joins", text::Profile::S2twp, "", "<p>软件好</p>", 2},
        {"s2twp, a later step joins and grows", text::Profile::S2twp, "", "<p>U盘好书</p>", 4},
        {"tw2s, held text converted apart from what follows", text::Profile::Tw2s, "",
         "<p>開口。兩手發了抖，</p>", 3},
        {"s2twp, nothing to change", text::Profile::S2twp, "", "<p>中文，abc</p>", 0},
        {"a reference and its text", text::Profile::Char, "", "<a href=\"简体.xhtml\">书</a>", 3},
        {"a user's key that changes", text::Profile::Char, "发\t髮\n", "<p>发书</p>", 2},
        {"a user's key that keeps", text::Profile::S2twp, "发\t发\n", "<p>发书</p>", 1},
    };
    for (const ChangedCase& test : cases) {
        text::Dictionary entries;
        ASSERT_FALSE(text::ParsePhraseText(test.phrases, entries)) << test.name;
        const auto converter =
            text::LoadConverter(test.profile, std::make_shared<const text::UserPhrases>(entries))
                .converter;
        text::UncertainPlaces places;
        text::ConvertBookText(test.markup, text::BookTextKind::Markup, *converter, test.profile, {},
                              &places);
        EXPECT_EQ(places.ChangedCharacters(), test.changed) << test.name;
    }
}

}  // namespace
