#!/bin/sh
# The pinned zig of cmake/install-zig.sh, with its caches in the build folder rather than the
# user's home: the C++ runtime it builds once per target stays beside the project's builds.
repo_root=$(cd "$(dirname "$0")/../.." && pwd)
export ZIG_GLOBAL_CACHE_DIR="$repo_root/build/zig-cache"
export ZIG_LOCAL_CACHE_DIR="$repo_root/build/zig-cache"
exec "$repo_root/build/third_party/zig/zig" "$@"
