// SPDX-License-Identifier: MIT
// Failures raised from format strings, error values, and the exn_backtrace
// printer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

#include "print_helpers.hpp"

namespace {

using quarn_test::boxed;

TEST(Failures, Failwith) {
  try {
    quarn::failwith("word %d", 3);
  } catch (const quarn::failure& e) {
    EXPECT_STREQ(e.what(), "word 3");
    ASSERT_NE(e.backtrace(), nullptr);
    EXPECT_FALSE(e.backtrace()->empty());
  }
  try {
    quarn::failwith_notrace("word %d", 3);
  } catch (const quarn::failure& e) {
    EXPECT_STREQ(e.what(), "word 3");
    EXPECT_EQ(e.backtrace(), nullptr);
  }
  EXPECT_THROW(quarn::failwith("x"), std::runtime_error);
}

TEST(Failures, InvalidArg) {
  EXPECT_THROW(quarn::invalid_arg("x"), quarn::invalid_argument);
  try {
    quarn::invalid_arg("bad %s: %d", "width", -1);
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "bad width: -1");
  }
}

TEST(Failures, ErrorValues) {
  quarn::outcome<int, std::string> r = quarn::error("%s", "x");
  ASSERT_TRUE(r.is_error());
  EXPECT_EQ(r.error(), "x");
  quarn::outcome<int, quarn::Msg> m = quarn::error_msg("%s", "x");
  ASSERT_TRUE(m.is_error());
  EXPECT_EQ(m.error(), quarn::Msg{"x"});
}

TEST(Failures, MessagesAreLaidOut) {
  try {
    quarn::failwith("cannot open@ %s", "f.txt");
    ADD_FAILURE() << "failwith returned";
  } catch (const quarn::failure& e) {
    EXPECT_STREQ(e.what(), "cannot open f.txt");
  }
  quarn::outcome<int, std::string> r = quarn::error("@[<v 2>a@ b@]");
  EXPECT_EQ(r.error(), "a\n  b");
  EXPECT_EQ(quarn::error_msg("x =@ %d", 1).error.message, "x = 1");
}

TEST(Failures, ExnBacktraceWithoutFrames) {
  const std::pair<std::exception_ptr, quarn::backtrace> eb{std::make_exception_ptr(std::runtime_error("boom")),
                                                           quarn::backtrace()};
  EXPECT_EQ(boxed(quarn::exn_backtrace, eb), "Exception: std::runtime_error: boom\nNo backtrace available.");
  try {
    quarn::failwith_notrace("gone %d", 1);
  } catch (const quarn::failure& e) {
    EXPECT_EQ(e.backtrace(), nullptr);
    EXPECT_EQ(boxed(quarn::exn_backtrace, e), "Exception: quarn::failure: gone 1\nNo backtrace available.");
  }
}

TEST(Failures, ExnBacktraceOfFailwith) {
  try {
    quarn::failwith("bad %s", "thing");
  } catch (const quarn::failure& e) {
    ASSERT_NE(e.backtrace(), nullptr);
    ASSERT_FALSE(e.backtrace()->empty());
    const std::string out = boxed(quarn::exn_backtrace, e);
    EXPECT_EQ(out.rfind("Exception: quarn::failure: bad thing\n", 0), 0U) << out;
    // One line per frame, none empty, nothing after the last.
    EXPECT_EQ(static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')), e.backtrace()->frames().size());
    EXPECT_EQ(out.find("\n\n"), std::string::npos) << out;
    EXPECT_NE(out.back(), '\n');
    // The same through the pair form.
    const std::pair<std::exception_ptr, quarn::backtrace> eb{std::current_exception(), *e.backtrace()};
    EXPECT_EQ(boxed(quarn::exn_backtrace, eb), boxed(quarn::exn_backtrace, e));
  }
}

}  // namespace
