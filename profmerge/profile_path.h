#pragma once

// The path to hand the profile service for `path`. A path that is MAX_PATH
// characters or more once made full becomes the short (8.3) form of its
// folder plus its file name, since the service refuses long paths on systems
// without long-path support; any other path is handed on as given. Returns a
// zero-filled copy the caller releases with free(), or nullptr when no
// memory is left.
wchar_t *ProfilePath(const wchar_t *path);

// The file the profile service opens for `path`: a bare file name lives in
// the Windows folder, any other path is made full. For the program's own
// look at the files; same ownership as ProfilePath.
wchar_t *ProfileFilePath(const wchar_t *path);

// Whether something named `full` (a full path of MAX_PATH characters or
// more, as ProfileFilePath gives it) exists when asked for in its literal
// (\\?\) form, which reaches it also where long paths are not enabled.
bool ExistsBeyondMaxPath(const wchar_t *full);
