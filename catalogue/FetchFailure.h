// Why an attempt of the catalogue fetch stopped before it tried the server,
// where the user is to hear of it. The fetch shows nothing itself: each
// stopped attempt adds its cause to the fetcher's `failures`, and whoever
// speaks to the user chooses the words and the window. A server that cannot
// be reached or refuses the login is no failure of this kind: the wizard
// shows its own page for it.
#pragma once

#include <vector>

namespace catalogue {

enum class FetchFailure {
  SessionNotCreated,  // the internet session could not be opened
  UnusableAddress,    // the server's address is no FTP address with a host
};

using FetchFailures = std::vector<FetchFailure>;

}  // namespace catalogue
