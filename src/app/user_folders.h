#pragma once
// The user's own folders, after the XDG base-directory and user-directory conventions:
// where the player keeps what it remembers (window places) and where the screenshot key's
// pictures go. Nothing of this is ever written into a game's folder.
#include <functional>
#include <string>

namespace vesk {

// Reads an environment variable (null when unset); tests give their own.
using EnvLookup = std::function<const char*(const char*)>;
// The process environment.
EnvLookup ProcessEnvironment();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config; "" without a home folder.
std::string ConfigHome(const EnvLookup& env);
// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share; "" without a home
// folder. Saves of games whose own folder takes no files go under it.
std::string DataHome(const EnvLookup& env);
// $XDG_PICTURES_DIR when set, else the pictures folder named in the user-dirs.dirs file of
// ConfigHome, else ~/Pictures; "" without any of them.
std::string PicturesFolder(const EnvLookup& env);
// A game's name as a file name: characters a file name cannot hold (and control
// characters) become '_', leading dots and spaces go, and an empty name becomes `fallback`.
std::string SafeFileName(const std::string& utf8, const std::string& fallback);

}  // namespace vesk
