#pragma once

#include <string>
#include <vector>

// What the run subcommand needs: the program itself started in a device root, beside the tool,
// with its skin.

// Copies the regular files of the directory aFrom into aTo (made if missing). False with a
// one-line reason.
bool CopySkin(const std::string& aFrom, const std::string& aTo, std::string* aError);

// Starts the program aProgram with FIXTRAIL_ROOT=aRoot and aArguments. With aWindow the live
// window shows the device alongside: closing it ends the program, and a program that ends
// closes it. Returns the program's exit status (128 + signal when a signal ended it), or -1
// with a reason in aError.
int RunApplication(const std::string& aProgram, const std::string& aRoot,
                   const std::vector<std::string>& aArguments, bool aWindow, int aScale,
                   std::string* aError);

// The directory of the running executable, for the programs installed beside it.
std::string OwnDirectory();

// Where `run` finds the application and the sample skin.
struct TSimFiles {
    std::string iProgram;
    std::string iSkin;
};

// The files as laid out beside aOwnDirectory: in a build tree (bin/fixtrail beside the tool,
// skin-root/skin beside bin/) or in an install prefix (aInstalledProgram and aInstalledSkin,
// relative to the tool's directory). False with a one-line reason when neither holds the
// program.
bool LocateSimFiles(const std::string& aOwnDirectory, const std::string& aInstalledProgram,
                    const std::string& aInstalledSkin, TSimFiles* aFiles, std::string* aError);
