// The banner printed at start-up: ten framed 52-character lines and three
// empty lines, with the title, credit, label and method lines in their places.
#include "analyzer/app/start_up.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> banner_lines() {
  std::vector<std::string> lines;
  std::istringstream in(f_banner_text());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The text between "|| " and " ||" of a text line, blanks at its end removed.
std::string text_of(const std::string& line) {
  std::string text = line.substr(3, 46);
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

}  // namespace

TEST(Banner, TenFramedLinesThenThreeEmptyLines) {
  const std::string banner = f_banner_text();
  ASSERT_EQ(banner.size(), 10u * 53u + 3u);
  EXPECT_EQ(banner.substr(banner.size() - 5), "|\n\n\n\n");
  const auto lines = banner_lines();
  ASSERT_EQ(lines.size(), 13u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(lines[i].size(), 52u) << "line " << i + 1;
  EXPECT_EQ(lines[0], std::string(52, '|'));
  EXPECT_EQ(lines[9], std::string(52, '|'));
  for (int i : {1, 3, 5, 8}) EXPECT_EQ(lines[i], "||" + std::string(48, ' ') + "||") << i + 1;
  for (int i : {2, 4, 6, 7}) {
    EXPECT_EQ(lines[i].substr(0, 3), "|| ") << i + 1;
    EXPECT_EQ(lines[i].substr(49), " ||") << i + 1;
  }
  for (int i = 10; i < 13; ++i) EXPECT_EQ(lines[i], "");
}

TEST(Banner, TitleCreditLabelAndMethod) {
  const auto lines = banner_lines();
  ASSERT_EQ(lines.size(), 13u);
  const std::string title = lines[2].substr(3, 46);
  EXPECT_EQ(title.find_last_not_of(' '), 45u) << "the title fills all 46 characters";
  EXPECT_NE(title.find("G(t)/G(t)/s(t)+G(t)"), std::string::npos);
  EXPECT_EQ(text_of(lines[4]), "Seed 90912374 maintainers");
  const std::string label = text_of(lines[6]);
  EXPECT_EQ(label, "METHOD:");
  EXPECT_EQ(label.find(' '), std::string::npos);
  const std::string method = text_of(lines[7]);
  EXPECT_NE(method.find("PHASE-TYPE"), std::string::npos);
  EXPECT_NE(method.find("DISCRETE-TIME"), std::string::npos);
}
