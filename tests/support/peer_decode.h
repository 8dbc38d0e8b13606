// Decoding a file with another program (Pillow, netpbm) to a reference
// image, so tests can check that what the library writes opens elsewhere.
// Each returns an empty RefImage when the peer is not installed or refuses
// the file; ask PeerInstalled first to skip cleanly.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace vtest {

enum class Peer { kPillow, kNetpbm };

inline bool PeerInstalled(Peer peer) {
    if (peer == Peer::kNetpbm) return access("/usr/bin/pngtopnm", X_OK) == 0 && access("/usr/bin/ppmtoppm", X_OK) == 0;
    return access("/usr/bin/python3", X_OK) == 0 &&
           std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0;
}

inline std::string PeerName(Peer peer) { return peer == Peer::kPillow ? "Pillow" : "netpbm"; }

// Quotes a path for the shell.
inline std::string ShellQuoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The file's colours as the peer decodes them (alpha dropped), as RGB.
// netpbm's decoder is named by the file's format: "png" runs pngtopnm.
inline RefImage DecodeWithPeer(Peer peer, const std::string& path, const std::string& format, const std::string& out) {
    std::string command;
    if (peer == Peer::kPillow)
        command = "/usr/bin/python3 -c 'import sys; from PIL import Image; "
                  "Image.open(sys.argv[1]).convert(\"RGB\").save(sys.argv[2], \"PPM\")' " +
                  ShellQuoted(path) + " " + ShellQuoted(out);
    else
        command = format + "topnm " + ShellQuoted(path) + " 2>/dev/null | pnmdepth 255 2>/dev/null | ppmtoppm > " +
                  ShellQuoted(out);
    if (std::system((command + " 2>/dev/null").c_str()) != 0) return RefImage();
    return ReadPnm(out);
}

// The alpha channel as Pillow decodes it (a grey image).
inline RefImage AlphaWithPillow(const std::string& path, const std::string& out) {
    const std::string command = "/usr/bin/python3 -c 'import sys; from PIL import Image; "
                                "Image.open(sys.argv[1]).convert(\"RGBA\").getchannel(\"A\").save(sys.argv[2], \"PPM\")' " +
                                ShellQuoted(path) + " " + ShellQuoted(out) + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return RefImage();
    return ReadPnm(out);
}

}  // namespace vtest
