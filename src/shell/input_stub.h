// The minimal window-message handling used until the full input layer exists:
// the close box quits, a raise request from a second instance brings the
// window forward. Everything else is ignored.
#pragma once

namespace shell {
void HandleMessageMinimal(const void* message);
}
