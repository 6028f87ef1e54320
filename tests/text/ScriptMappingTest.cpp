#include "text/convert/ScriptMapping.hpp"

#include <gtest/gtest.h>

namespace {

// The guard before every variant: a destination shorter than the source is refused before a
// unit is written, so no mapping can write past it.
TEST(ScriptMappingTest, RefusesAnEmptySourceOrAShortDestinationAndWritesNothing) {
    const text::ScriptMapping& mapping = text::SimplifiedToTraditional();
    const std::u16string source = u"简体中";
    std::u16string destination = u"####";
    const std::pair<std::size_t, std::size_t> cases[] = {{3, 2}, {3, 0}, {0, 4}, {1, 0}};
    for (const auto& [sourceLength, destinationLength] : cases) {
        int errorNumber = 0;
        EXPECT_EQ(mapping.Map({source.data(), sourceLength},
                              {destination.data(), destinationLength}, errorNumber),
                  0);
        EXPECT_EQ(errorNumber, text::kErrorInvalidParameter);
        EXPECT_EQ(destination, u"####");
    }
    int errorNumber = 0;
    EXPECT_EQ(mapping.Map({source.data(), 3}, {destination.data(), 3}, errorNumber), 1);
    EXPECT_EQ(destination, u"簡體中#");
}

}  // namespace
