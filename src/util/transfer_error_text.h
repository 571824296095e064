#pragma once
// The Portuguese text the player sees for a failed HTTPS transfer.
#include <string>
#include <string_view>

namespace qo {

// Text for a libcurl result code: name not resolved, connection refused or reset, time-out, certificate not
// trusted, TLS failure, too many redirects, a body cut short, ... `socket_errno` (the transfer's last socket
// error, 0 when none) tells a refused connection from one that failed otherwise. The transport's own wording,
// `detail`, is kept as the text's log detail (util/error_detail.h).
std::string transfer_error_text(int curl_code, long socket_errno, std::string_view detail);

}  // namespace qo
