// SIPp (sip-tester) as an independent SIP peer for the tests.
#pragma once

#include <sys/types.h>

#include <string>

namespace kivo::test {

bool HaveProgram(const std::string& name);
// The path of a scenario file of tests/telephony/sipp.
std::string SippScenario(const std::string& name);
// Starts SIPp in `folder` with one call of the scenario: as a caller of
// 127.0.0.1:remote_port, or (remote_port 0) as a callee or registrar on
// local_port. Its output goes to folder/sipp.log. Returns its process id,
// or -1.
pid_t StartSipp(const std::string& folder, const std::string& scenario, int remote_port,
                int local_port = 0);
// A port for SIPp to listen on: the pid keeps parallel runs apart.
int SippPortFor(int offset);

}  // namespace kivo::test
