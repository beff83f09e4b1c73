#include "cli/command_context.h"

#include "comm/comm_error.h"

namespace kvx::cli {

void CommandContext::WithLink(const std::function<int(LinkSession&)>& body) {
  LinkSession session;
  if (auto problem = OpenLink(link, session, err)) {
    err << "kvx-cli: " << *problem << '\n';
    exitCode = kExitBadArguments;
    return;
  }
  frames = session.frames;
  exitCode = body(session);
}

int CommandContext::Fail(const AccessReport& report, const std::string& what) {
  err << "kvx-cli: " << what << " failed: " << DescribeAccessFailure(report) << '\n';
  return report.lastError == CommError::InvalidArgument ? kExitBadArguments : kExitRelayFailed;
}

}  // namespace kvx::cli
