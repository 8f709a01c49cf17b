// Small tools for the repository benchmark: a wall clock, running a reference
// command such as cp or tar, and making the files the benchmark stores.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kivo::bench {

// Seconds of wall-clock time that work() took.
double TimeSeconds(const std::function<void()>& work);

// Runs a program (looked up on PATH) with the arguments and waits; exits the
// benchmark when it fails, since its figures would mean nothing. Standard
// output goes to /dev/null when quiet.
void RunProgram(const std::vector<std::string>& arguments, bool quiet = false);

// Writes a file of incompressible bytes (a fast pseudo-random sequence).
void WriteRandomFile(const std::string& path, std::uint64_t bytes, std::uint64_t seed);

// Removes the folder's contents and leaves it empty.
void EmptyFolder(const std::string& folder);

// Exits the benchmark with a message when an engine call reported a problem.
void RequireSuccess(const void* status, const char* what);

double Mebibytes(std::uint64_t bytes);

}  // namespace kivo::bench
