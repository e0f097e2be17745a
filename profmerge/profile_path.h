#pragma once

// The path to hand the profile service for `path`: for a path of MAX_PATH
// characters or more, the short (8.3) form of its folder plus its file name
// when that is shorter, since the service refuses long paths on systems
// without long-path support; otherwise `path` itself. Returns a zero-filled
// copy the caller releases with free(), or nullptr when no memory is left.
wchar_t *ProfilePath(const wchar_t *path);
