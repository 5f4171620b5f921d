// The self-extractor builder: MORVSE.DAT from the program's folder (with the
// archive's offset written into its string 1, as the Zip component does for
// SFXSTUB.BIN), the "KRX" settings block of the Zip component's SFX
// properties, then the component's Zip archive with every offset moved past
// the two.
#pragma once
#include <string>

class TZipBridge;

// Results of BuildSfxArchive.
enum : int {
  sfxDone = 0,
  sfxCreateFailed = -1,  // refused, declined, or the output could not be made
  sfxShortWrite = -2,
  sfxSourceFailed = -3,  // the stub could not be read, or the Zip part failed
  sfxSizeMismatch = -9,
};

// The stub beside the program.
std::string SfxStubFile();

// Builds OutName from Zip's archive (ZipFileName) and SFX settings. The work
// goes into a new file beside OutName, which takes OutName's place only when
// complete, so a failure leaves no partial output and an existing file
// intact. OutName equal to the archive is refused; an existing OutName is
// replaced only after the user agrees. Every failure is shown to the user.
int BuildSfxArchive(TZipBridge& Zip, const std::string& OutName, const std::string& StubFile = SfxStubFile());

// The "-tosfx" job's target: the archive's folder and its name up to the
// first "." + ".exe".
std::string SfxTargetFor(const std::string& ZipName);
// The "-tosfx" job: Zip (holding the self-extractor settings) opens ZipName
// and the self-extractor is built beside it. Returns BuildSfxArchive's result.
int RunSfxJob(TZipBridge& Zip, const std::string& ZipName);
