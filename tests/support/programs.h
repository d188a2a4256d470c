// Running other programs from a test: the shell, the tbx program built with the
// tests, and a check for an outside program that skips the test when it is missing.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tbtest {

struct RunResult {
    int status = -1;     ///< exit status, -1 when killed by a signal or not run
    std::string output;  ///< standard output (and standard error unless kept apart)
    std::string errors;  ///< standard error when kept apart
};

/// Runs command with /bin/sh; standard output and standard error together.
RunResult Shell(const std::string& command);
/// Runs command with /bin/sh keeping standard error apart from standard output.
RunResult ShellApart(const std::string& command);
/// Runs tbx with arguments (shell words); environment entries ("NAME=value") go first.
RunResult RunTbx(const std::string& arguments, const std::string& environment = "");
/// Whether name is a program on PATH.
bool HaveProgram(const std::string& name);

}  // namespace tbtest

/// Ends the test as skipped, saying why, when program is not on PATH.
#define TBTEST_REQUIRE_PROGRAM(program) \
    if (!::tbtest::HaveProgram(program)) GTEST_SKIP() << (program) << " is not on PATH; this test needs it"
