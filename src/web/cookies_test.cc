#include "web/cookies.h"

#include <gtest/gtest.h>

namespace feed {
namespace {

TEST(CookiesTest, MergeCookies) {
  struct Case {
    const char* old_cookies;
    const char* new_cookies;
    const char* merged;
    const char* new_after;  // what the call leaves in the new cookies
  };
  const Case cases[] = {
      {"a=1; b=2", "b=3", "b=3; a=1", "b=3"},
      {"sid=5; x=1", "sid=deleted", "x=1", "sid=deleted"},
      {"a=1", "", "a=1", ""},
      {"", "", "", ""},
      {"a=1;a=2", "b=1", "b=1; a=1", "b=1"},
      {"", "a=1;a=2", "a=1; a=2", "a=1;a=2"},
      {"", "a=1;a=1", "a=1", "a=1;a=1"},
      {"a = 1", "", "a=1", ""},
      {"a=1;;b=2", "", "a=1; ; b=2", ""},
      {"x=a=deleted", "", "", ""},
      {"x=undeleted", "", "x=undeleted", ""},
      {"x=DELETED", "", "x=DELETED", ""},
      // The new cookies come back without blanks, so a string joined with
      // "; " comes back joined with ";".
      {"", "a=1; b=2", "a=1; b=2", "a=1;b=2"},
      {"c=3", " a = 1 ;\xA1\xA1" "b=2 ", "a=1; b=2; c=3", "a=1;b=2"},
      // An old item whose name the new cookies hold is dropped even when the
      // new item is deleted; an old deleted item is dropped too.
      {"a=1; b=deleted; c=3", "a=deleted", "c=3", "a=deleted"},
      // Items without "=" are named by their whole text.
      {"flag; a=1", "flag", "flag; a=1", "flag"},
      // Names are compared with letter case.
      {"A=1", "a=2", "a=2; A=1", "a=2"},
      // A new string that ends in a separator gives no empty last item.
      {"a=1", "b=2;", "b=2; a=1", "b=2;"},
      // Of several empty items at the end one survives, and with it a
      // separator after the last item.
      {"", "a=1;;;", "a=1; ", "a=1;;;"},
      // Double-byte text: a blank inside it is removed as one character.
      {"n=\xD6\xD0\xA1\xA1\xCE\xC4", "", "n=\xD6\xD0\xCE\xC4", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("old \"") + c.old_cookies + "\", new \"" +
                 c.new_cookies + "\"");
    Text old_cookies(c.old_cookies);
    Text new_cookies(c.new_cookies);
    Text result = MergeCookies(&old_cookies, &new_cookies);
    EXPECT_EQ(result, Text(c.merged));
    EXPECT_EQ(old_cookies, Text(c.merged));
    EXPECT_EQ(new_cookies, Text(c.new_after));
  }
}

TEST(CookiesTest, MergedStringMergesIntoItself) {
  // The merged string is a valid old string: merging nothing new into it
  // changes nothing.
  Text old_cookies("b=2; a=1;c=3");
  Text new_cookies("a=9; d=4");
  Text merged = MergeCookies(&old_cookies, &new_cookies);
  EXPECT_EQ(merged, Text("a=9; d=4; b=2; c=3"));
  Text none;
  EXPECT_EQ(MergeCookies(&old_cookies, &none), merged);
}

TEST(CookiesTest, CookieName) {
  struct Case {
    const char* item;
    const char* name;
  };
  const Case cases[] = {
      {"sid=5", "sid"},
      {" sid = 5", "sid"},
      {"x=a=b", "x"},
      {"=5", ""},
      {"flag", "flag"},
      {"  flag  ", "flag"},
      {"", ""},
      {"\xA1\xA1k\xA1\xA1=v", "k"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(CookieName(c.item), Text(c.name));
  }
}

TEST(CookiesTest, HasCookieName) {
  TextArray items = SplitText("a=1;b =2;flag", ";");
  EXPECT_TRUE(HasCookieName(items, "a"));
  EXPECT_TRUE(HasCookieName(items, "b"));
  EXPECT_TRUE(HasCookieName(items, "flag"));
  EXPECT_FALSE(HasCookieName(items, "A"));
  EXPECT_FALSE(HasCookieName(items, "a=1"));
  EXPECT_FALSE(HasCookieName(TextArray(), ""));
}

TEST(CookiesTest, RemoveDuplicateItems) {
  struct Case {
    const char* text;
    const char* separator;
    const char* expected;
  };
  const Case cases[] = {
      {"x, y, x", ", ", "x, y"},
      {"", ", ", ""},
      {"x, x, x", ", ", "x"},
      {"a; ; b; ; a", "; ", "a; ; b"},
      {"X,x", ",", "X,x"},                // byte for byte, case included
      {"x, y, ", ", ", "x, y"},           // a trailing separator is no item
      {"x, y, x", "", "x, y, x"},         // no separator: one piece
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(RemoveDuplicateItems(c.text, c.separator), Text(c.expected));
  }
}

TEST(CookiesTest, IndexOfText) {
  TextArray items = SplitText("a,b,,b", ",");
  EXPECT_EQ(IndexOfText(items, "a"), 1);
  EXPECT_EQ(IndexOfText(items, "b"), 2);
  EXPECT_EQ(IndexOfText(items, ""), 3);
  EXPECT_EQ(IndexOfText(items, "B"), -1);
  EXPECT_EQ(IndexOfText(TextArray(), ""), -1);
}

}  // namespace
}  // namespace feed
