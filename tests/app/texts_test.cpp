// The intro's texts have the form the credits box and the scroller rely on: the credits'
// line structure within the framework's 200 characters, the greetings line's 708 characters
// with its 61 names, and only addresses on reserved domains.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "texts.h"

namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    size_t start = 0, end;
    while ((end = text.find(separator, start)) != std::string::npos) {
        parts.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// example.org/.com/.net are reserved for documentation (RFC 2606): no real person is reached.
bool OnReservedDomain(const std::string& host)
{
    for (const char* domain : {"example.org", "example.com", "example.net"})
        if (host == domain || EndsWith(host, std::string(".") + domain))
            return true;
    return false;
}

}  // namespace

TEST(Texts, CreditsHaveTheTenLinesOfTheCreditsBox)
{
    const std::string credits = g_szArtistCredits;
    ASSERT_EQ(credits.size(), 191u);
    EXPECT_NE(credits.back(), '\n');

    const auto lines = Split(credits, "\n");
    ASSERT_EQ(lines.size(), 10u);
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].empty(), i == 1 || i == 7) << "line " << i << ": " << lines[i];

    for (size_t mail : {2u, 9u}) {
        const size_t at = lines[mail].find('@');
        ASSERT_NE(at, std::string::npos) << lines[mail];
        EXPECT_TRUE(OnReservedDomain(lines[mail].substr(at + 1))) << lines[mail];
    }
    const std::string web = lines[3];
    ASSERT_EQ(web.rfind("http://", 0), 0u) << web;
    EXPECT_TRUE(OnReservedDomain(web.substr(7))) << web;
}

TEST(Texts, GreetingsLineHoldsSixtyOneNamesAndTheSignOff)
{
    const std::string line = g_szGreetings;
    ASSERT_EQ(line.size(), 708u);

    const std::string opening = "Greetings to: ";
    const std::string closing = "." + std::string(11, ' ') + "Have a nice day! ";
    ASSERT_EQ(line.rfind(opening, 0), 0u);
    const size_t close = line.find(closing);
    ASSERT_NE(close, std::string::npos);

    const std::string signature = line.substr(close + closing.size());
    EXPECT_EQ(signature.size(), 4u);
    EXPECT_EQ(signature.find(' '), std::string::npos);

    const auto names = Split(line.substr(opening.size(), close - opening.size()), ". ");
    EXPECT_EQ(names.size(), 61u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    std::string all;
    for (const auto& name : names) {
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find('.'), std::string::npos) << name;
        EXPECT_NE(name.front(), ' ');
        EXPECT_NE(name.back(), ' ');
        all += name;
    }
    for (char special : {' ', '&', '^'})
        EXPECT_NE(all.find(special), std::string::npos) << "no name holds '" << special << "'";
}
