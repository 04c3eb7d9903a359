// The observation and calibration FITS files: names, layout, header cards in order, what
// programs we never see read from them, and saves that cannot complete.
#include <fitsio.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <vector>

#include "files/fits_files.h"
#include "motors/wavelength_list.h"
#include "panel_fixture.h"
#include "platform/os/calendar.h"
#include "platform/os/paths.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/observation_state.h"
#include "state/setup_in_force.h"

namespace fs = std::filesystem;
using helx::ui::Operator;

namespace {
const char* kDir = "G:\\TARN_Data\\20261206\\raw\\dc";

class FitsFiles : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    folder = workdir / "drive_g" / "TARN_Data" / "20261206" / "raw" / "dc";
    fs::create_directories(folder);
    nCameraHandle1 = 101, nCameraHandle2 = 102;
    g_nXPixels1 = 512, g_nYPixels1 = 512, g_nXPixels2 = 1004, g_nYPixels2 = 1002;
    ccd_HBin = 2, ccd_VBin = 2;
    ccd_Gain = 200, ccd_Gain2 = 50, ccd_PGain1 = 1, ccd_PGain2 = 2;
    Scanner_status = 1, scan_mode = 0;
    scan_duration = 100.0f, scan_size = 1.5f, scan_speed = 100.0f, scan_stroke = 6000.0f;
    g_nFrameNumber1 = 10;
    writeWvIni("Wv.ini", 3, 1, {6562.8f, 8542.09f, 6302.5f});
    InitWvRing();
    confirmGrating(1);
    setMisc("A. Observer", 0);
    fits_sync = 0;  // tmpfs here; the sync path has its own test
  }
  void TearDown() override {
    g_pRawData = g_pRawData2 = BiasDark1 = BiasDark2 = nullptr;
    flatcube1 = flatcube2 = nullptr;
  }
  // Frames of `nx` x `ny` samples for camera 1 (or 2), sample i = i % 60000 unless given.
  void frames(int camera, int nx, int ny, int count, unsigned short fill = 0) {
    auto& v = camera == 1 ? pixels1 : pixels2;
    v.assign(static_cast<std::size_t>(nx) * ny * std::max(count, 1), fill);
    if (!fill)
      for (std::size_t i = 0; i < v.size(); i++) v[i] = static_cast<unsigned short>(i % 60000);
    (camera == 1 ? g_pRawData : g_pRawData2) = v.data();
  }
  std::string save(int camera, int nx = 8, int ny = 6, int count = 1) {
    frames(camera, nx, ny, count);
    long handle = camera == 1 ? nCameraHandle1 : nCameraHandle2;
    EXPECT_EQ(SaveFits(nx, ny, count, 0.03f, handle, "2026.12.06-07:57:31", "2026.12.06-07:57:40",
                       9.25f, kDir),
              1);
    return OnlyFile(folder, camera == 1 ? "_A.fts" : "_B.fts");
  }
  std::string saveFlat(int camera, int count) {
    flat.assign(8 * 6 * count, 0.5f);
    (camera == 1 ? flatcube1 : flatcube2) = flat.data();
    EXPECT_EQ(SaveFlatFits(8, 6, count, 0.05f, camera == 1 ? nCameraHandle1 : nCameraHandle2,
                           "2026.12.06-08:00:00", "2026.12.06-08:01:00", 60.0f, kDir),
              1);
    return OnlyFile(folder, camera == 1 ? "_A_Flat.fts" : "_B_Flat.fts");
  }
  std::string saveBias(int camera) {
    bias.assign(8 * 6, 40000);
    (camera == 1 ? BiasDark1 : BiasDark2) = bias.data();
    EXPECT_EQ(SaveBiasDark(8, 6, 1, 0.03f, camera == 1 ? nCameraHandle1 : nCameraHandle2, kDir), 1);
    return OnlyFile(folder, camera == 1 ? "_A_BiasDark.fts" : "_B_BiasDark.fts");
  }
  // The grating moved to entry `entry` of the list at OK (and standing there, or not).
  static void confirmGrating(int entry, bool reached = true) {
    setup_in_force.grating = {entry, Data[entry].wavelength, Data[entry].step, Data[entry].angle,
                              reached};
  }
  std::string value(const std::string& path, const std::string& key) {
    auto cards = ReadCards(path);
    const Card* c = FindCard(cards, key);
    return c ? c->value : "<absent>";
  }

  fs::path folder;
  std::vector<unsigned short> pixels1, pixels2, bias;
  std::vector<float> flat;
};

// ---------------------------------------------------------------- names and layout

TEST_F(FitsFiles, NamesCarryUtcTimeAndCameraLetterAndImageAxes) {
  std::time_t before = helx::os::CalendarNow();
  std::string a = save(1, 8, 6, 1);
  std::string b = save(2, 8, 6, 2);
  std::time_t after = helx::os::CalendarNow();
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  std::string name = fs::path(a).filename().string();
  ASSERT_TRUE(Like(name, "HELX_########_######_A.fts"));
  bool inWindow = false;
  for (std::time_t t = before; t <= after; t++) {
    std::tm u = helx::os::UtcTime(t);
    char expect[96];
    std::snprintf(expect, sizeof expect, "HELX_%04d%02d%02d_%02d%02d%02d_A.fts", u.tm_year + 1900,
                  u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec);
    inWindow |= name == expect;
  }
  EXPECT_TRUE(inWindow) << name;
  EXPECT_TRUE(Like(fs::path(b).filename().string(), "HELX_########_######_B.fts"));
  EXPECT_EQ(std::string(fits_last_saved),
            std::string(kDir) + "\\" + fs::path(b).filename().string());

  EXPECT_EQ(value(a, "BITPIX"), "16");
  EXPECT_EQ(value(a, "NAXIS"), "2");
  EXPECT_EQ(value(a, "NAXIS1"), "8");
  EXPECT_EQ(value(a, "NAXIS2"), "6");
  EXPECT_EQ(value(a, "NAXIS3"), "<absent>");
  EXPECT_EQ(value(b, "NAXIS"), "3");
  EXPECT_EQ(value(b, "NAXIS3"), "2");
}

TEST_F(FitsFiles, CalibrationFilesHaveTheirSuffixesAndPixelTypes) {
  std::string biasA = saveBias(1), biasB = saveBias(2);
  std::string flatA = saveFlat(1, 7), flatB = saveFlat(2, 1);
  for (auto* p : {&biasA, &biasB, &flatA, &flatB}) ASSERT_FALSE(p->empty());
  EXPECT_TRUE(Like(fs::path(biasB).filename().string(), "HELX_########_######_B_BiasDark.fts"));
  EXPECT_TRUE(Like(fs::path(flatA).filename().string(), "HELX_########_######_A_Flat.fts"));
  EXPECT_EQ(value(biasA, "BITPIX"), "16");
  EXPECT_EQ(value(biasA, "NAXIS"), "2");
  EXPECT_EQ(value(flatA, "BITPIX"), "-32");
  EXPECT_EQ(value(flatA, "NAXIS"), "3");
  EXPECT_EQ(value(flatA, "NAXIS3"), "7");
  EXPECT_EQ(value(flatB, "NAXIS"), "2");
}

// ---------------------------------------------------------------- header

TEST_F(FitsFiles, ObservationHeaderCardsStandInTheFinishedOrder) {
  setMisc("A. Observer", 3, "", "AR 12345", -120, 340);
  auto cards = ReadCards(save(1, 8, 6, 3));
  std::vector<std::string> expected = {
      "SIMPLE",   "BITPIX",   "NAXIS",   "NAXIS1",   "NAXIS2",   "NAXIS3",   "DATE",     "EXPTIME",
      "HBINNING", "VBINNING", "EMGAIN",  "STRTIME",  "ENDTIME",  "ELAPTIME", "HELXMODE", "STEPTIME",
      "STEPSIZE", "CCDTEMP",  "CCDNAME", "CCD_XPIX", "CCD_YPIX", "PAMPGAIN", "GRATWVLN", "GRATSTEP",
      "GRATANGL", "OBSERVER", "TARGET",  "ARNUMBER", "TEL_XPOS", "TEL_YPOS"};
  EXPECT_EQ(Keys(cards), expected);
  EXPECT_EQ(FindCard(cards, "EXPTIME")->comment, "Second");
  EXPECT_EQ(FindCard(cards, "STRTIME")->value, "2026.12.06-07:57:31");
  EXPECT_EQ(FindCard(cards, "ENDTIME")->comment, "Scan Finish Time");
  EXPECT_EQ(std::stod(FindCard(cards, "ELAPTIME")->value), 9.25);
  EXPECT_EQ(FindCard(cards, "HBINNING")->value, "2");
  EXPECT_EQ(FindCard(cards, "CCD_XPIX")->value, "512");
  EXPECT_EQ(FindCard(cards, "PAMPGAIN")->value, "1");
  EXPECT_EQ(FindCard(cards, "GRATWVLN")->value, "8542.09");
  EXPECT_EQ(FindCard(cards, "GRATANGL")->value, "21.00");
  EXPECT_EQ(FindCard(cards, "OBSERVER")->value, "A. Observer");
  EXPECT_EQ(FindCard(cards, "TARGET")->value, "Active Region");
  EXPECT_EQ(FindCard(cards, "ARNUMBER")->value, "AR 12345");
  EXPECT_EQ(FindCard(cards, "TEL_XPOS")->value, "-120");
  EXPECT_EQ(FindCard(cards, "TEL_YPOS")->comment, "Y position of Telescope on the Sun");
}

TEST_F(FitsFiles, ModeCardsFollowScannerStatusAndScanMode) {
  struct Case {
    int status, mode;
    std::string helxmode;  // "" for none
    std::vector<std::string> present, absent;
  };
  std::vector<Case> cases = {
      {1, -1, "None(Only CCD)", {}, {"STEPTIME", "STEPSIZE", "SCNSPEED", "SCANDIST"}},
      {1, 0, "Spectrograph", {"STEPTIME", "STEPSIZE"}, {"SCNSPEED", "SCANDIST"}},
      {1, 1, "Imaging", {"SCNSPEED", "SCANDIST"}, {"STEPTIME", "STEPSIZE"}},
      {1, 2, "", {}, {"STEPTIME", "STEPSIZE", "SCNSPEED", "SCANDIST"}},
      {0, 0, "None(Only CCD)", {}, {"STEPTIME", "STEPSIZE", "SCNSPEED", "SCANDIST"}},
      {0, 1, "None(Only CCD)", {}, {"STEPTIME", "STEPSIZE", "SCNSPEED", "SCANDIST"}},
      {-1, 0, "", {}, {"STEPTIME", "STEPSIZE", "SCNSPEED", "SCANDIST"}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE("status " + std::to_string(c.status) + " mode " + std::to_string(c.mode));
    Scanner_status = c.status, scan_mode = c.mode;
    std::string path = save(1);
    auto cards = ReadCards(path);
    const Card* mode = FindCard(cards, "HELXMODE");
    EXPECT_EQ(mode ? mode->value : "", c.helxmode);
    for (auto& k : c.present) EXPECT_NE(FindCard(cards, k), nullptr) << k;
    for (auto& k : c.absent) EXPECT_EQ(FindCard(cards, k), nullptr) << k;
    if (c.status == 1 && c.mode == 1) {
      EXPECT_EQ(Keys(cards)[14], "SCNSPEED");
      EXPECT_EQ(FindCard(cards, "SCANDIST")->comment, "Distance to Scan(millimeter)");
    }
    fs::remove(path);
  }
}

TEST_F(FitsFiles, StepSizeIsTheEnteredWholeMicrometres) {
  scan_size = 3.0f / 2.0f;
  std::string p = save(1);
  EXPECT_EQ(std::stod(value(p, "STEPSIZE")), 3.0);
  fs::remove(p);
  scan_size = 2.5f / 2.0f;
  EXPECT_EQ(std::stod(value(save(1), "STEPSIZE")), 2.0);
}

TEST_F(FitsFiles, TargetCardsFollowTheTargetRing) {
  const char* names[] = {"Near Disk Center", "Close to or on the Limb",
                         "Quiet Region",     "Active Region",
                         "Corona Hole",      "Sunspot",
                         "Filament",         "Prominence"};
  for (int target = -1; target <= 8; target++) {
    SCOPED_TRACE(target);
    setMisc("obs", target, "spot 7", "12345");
    std::string path = save(1);
    auto cards = ReadCards(path);
    auto keys = Keys(cards);
    const Card* t = FindCard(cards, "TARGET");
    if (target == -1) {
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->value, "NONE");
      EXPECT_EQ(t->comment, "NONE");
    } else if (target <= 7) {
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->value, names[target]);
      EXPECT_EQ(t->comment, "Observation Target");
    } else {
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->value, "spot 7");
    }
    auto ar = std::find(keys.begin(), keys.end(), "ARNUMBER");
    if (target == 3) {
      ASSERT_NE(ar, keys.end());
      EXPECT_EQ(*(ar - 1), "TARGET");
      EXPECT_EQ(FindCard(cards, "ARNUMBER")->value, "12345");
    } else {
      EXPECT_EQ(ar, keys.end());
    }
    fs::remove(path);
  }
}

TEST_F(FitsFiles, GratingStepIsZeroPaddedToTwoDigits) {
  // Entry steps are i * 100 + 5 in the fixture's list; set our own.
  for (auto [step, text] : {std::pair{5, "05"}, {12345, "12345"}, {-3, "-03"}}) {
    Data[1].step = step;
    confirmGrating(1);
    std::string path = save(1);
    EXPECT_EQ(value(path, "GRATSTEP"), text);
    fs::remove(path);
  }
}

TEST_F(FitsFiles, SecondCameraFileCarriesCameraOnesGainAndWavelengthComment) {
  auto cards = ReadCards(save(2));
  EXPECT_EQ(FindCard(cards, "EMGAIN")->value, "200");
  EXPECT_EQ(FindCard(cards, "EMGAIN")->comment, "Value Range: 0-255");
  EXPECT_EQ(FindCard(cards, "GRATWVLN")->comment, "Grating wavelength for CAM 1");
  EXPECT_EQ(FindCard(cards, "CCD_XPIX")->value, "1004");
  EXPECT_EQ(FindCard(cards, "PAMPGAIN")->value, "2");
}

TEST_F(FitsFiles, LibraryCommentsAndExtendAreDeletedExceptExtendInBiasDark) {
  auto obs = Keys(ReadCards(save(1, 8, 6, 2)));
  auto flatCards = ReadCards(saveFlat(1, 7));
  auto biasCards = ReadCards(saveBias(1));
  auto flat = Keys(flatCards), biasKeys = Keys(biasCards);
  for (auto* keys : {&obs, &flat}) EXPECT_EQ(std::count(keys->begin(), keys->end(), "EXTEND"), 0);
  EXPECT_EQ(std::count(obs.begin(), obs.end(), "COMMENT"), 0);
  EXPECT_EQ(std::count(biasKeys.begin(), biasKeys.end(), "COMMENT"), 0);
  EXPECT_EQ(std::count(biasKeys.begin(), biasKeys.end(), "EXTEND"), 1);
  std::vector<std::string> biasExpected = {"SIMPLE",   "BITPIX",  "NAXIS",   "NAXIS1",   "NAXIS2",
                                           "EXTEND",   "DATE",    "EXPTIME", "HBINNING", "VBINNING",
                                           "EMGAIN",   "CCDTEMP", "CCDNAME", "PAMPGAIN", "GRATWVLN",
                                           "GRATSTEP", "GRATANGL"};
  EXPECT_EQ(biasKeys, biasExpected);

  // The flat ends with its two comment cards, the second naming the frames averaged.
  ASSERT_GE(flatCards.size(), 2u);
  auto& last = flatCards.back();
  auto& before = flatCards[flatCards.size() - 2];
  EXPECT_EQ(before.key, "COMMENT");
  EXPECT_EQ(before.comment, "BiasDark Subtracted");
  EXPECT_EQ(last.key, "COMMENT");
  EXPECT_EQ(last.comment, "averaged image : 10 at each grating angle");
  EXPECT_EQ(flat[flat.size() - 3], "GRATANGL");
  EXPECT_NE(std::find(flat.begin(), flat.end(), "STRTIME"), flat.end());
}

TEST_F(FitsFiles, GratingCardsNameTheEntryInForceNotTheRing) {
  // The ring browsed to another entry, or the list read again, after OK.
  SetCtrlIndex(gratingPage(), setMotoTAB_Motor_Wavelength, 2);
  std::string path = save(1);
  EXPECT_EQ(value(path, "GRATWVLN"), "8542.09");
  EXPECT_EQ(value(path, "GRATSTEP"), "105");
  fs::remove(path);
  // A grating that did not reach its entry names none.
  confirmGrating(1, false);
  auto cards = ReadCards(save(1));
  EXPECT_EQ(FindCard(cards, "GRATWVLN")->value, "");
  EXPECT_EQ(FindCard(cards, "GRATSTEP")->value, "");
}

TEST_F(FitsFiles, UnselectedWavelengthWritesEmptyGratingTextsAndOperatorTextIsPrintable) {
  setup_in_force.grating = {};  // no entry was confirmed
  setMisc(std::string("Ob\tserv\xe9r") + std::string(200, 'x'), 8, "user\x01target");
  auto cards = ReadCards(save(1));
  EXPECT_EQ(FindCard(cards, "GRATWVLN")->value, "");
  EXPECT_EQ(FindCard(cards, "GRATSTEP")->value, "");
  EXPECT_EQ(FindCard(cards, "GRATANGL")->value, "");
  std::string observer = FindCard(cards, "OBSERVER")->value;
  EXPECT_EQ(observer.substr(0, 9), "Ob?serv?r");
  EXPECT_EQ(observer.size(), 68u);  // the most a string card holds
  EXPECT_EQ(FindCard(cards, "TARGET")->value, "user?target");
}

TEST_F(FitsFiles, SaveTimeIsReportedInTheMessageBox) {
  save(1);
  std::string text = monitorText();
  auto at = text.find(" Sec\n");
  ASSERT_NE(at, std::string::npos) << text;
  ASSERT_GE(at, 5u);
  EXPECT_TRUE(Like(text.substr(at - 5, 10), "#.### Sec\n")) << text;
}

// ---------------------------------------------------------------- interop

const char* kAstropyCheck = R"(
import sys, numpy as np
from astropy.io import fits
with fits.open(sys.argv[1]) as f:
    h = f[0].header; d = f[0].data
    print(h['BITPIX'], d.dtype.kind + str(d.dtype.itemsize), d.shape, int(d.flat[0]), int(d.flat[1]), repr(h.get('GRATWVLN')), h.get('EMGAIN'))
)";

TEST_F(FitsFiles, EveryKindOfFilePassesFitsverifyAndReadsBackInAstropy) {
  frames(1, 4, 3, 2);
  pixels1[0] = 40000, pixels1[1] = 32767;
  ASSERT_EQ(SaveFits(4, 3, 2, 0.03f, nCameraHandle1, "a", "b", 1.0f, kDir), 1);
  std::string obs = OnlyFile(folder, "_A.fts");
  std::string biasFile = saveBias(2);
  std::string flatFile = saveFlat(1, 7);
  for (auto& path : {obs, biasFile, flatFile}) {
    std::string out;
    int rc = RunPython(
        "import subprocess,sys\nr=subprocess.run(['fitsverify','-q',sys.argv[1]],"
        "capture_output=True,text=True)\nprint(r.stdout+r.stderr)",
        path, out);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(out.find("OK"), std::string::npos) << out;
    EXPECT_EQ(out.find("error"), std::string::npos) << out;
  }
  std::string out;
  ASSERT_EQ(RunPython(kAstropyCheck, obs, out), 0) << out;
  // A camera sample of 40000 is the same 16 bits, read as -25536.
  EXPECT_EQ(out, "16 i2 (2, 3, 4) -25536 32767 '8542.09' 200\n");
  ASSERT_EQ(RunPython(kAstropyCheck, biasFile, out), 0) << out;
  EXPECT_EQ(out, "16 i2 (6, 8) -25536 -25536 '8542.09' 200\n");
  ASSERT_EQ(RunPython(kAstropyCheck, flatFile, out), 0) << out;
  EXPECT_EQ(out, "-32 f4 (7, 6, 8) 0 0 '8542.09' 200\n");
}

// Cubes larger than the writer's swap buffer (and not a whole number of them) come back sample
// for sample, 16-bit and float alike.
TEST_F(FitsFiles, CubesOfSeveralWriteBuffersReadBackSampleForSample) {
  constexpr int nx = 700, ny = 500, count = 4;  // 2.8 MB of camera samples
  frames(1, nx, ny, count);
  ASSERT_EQ(SaveFits(nx, ny, count, 0.03f, nCameraHandle1, "a", "b", 1.0f, kDir), 1);
  flat.resize(static_cast<std::size_t>(nx) * ny * 2);
  for (std::size_t i = 0; i < flat.size(); i++) flat[i] = static_cast<float>(i) * 0.25f - 1000.0f;
  flatcube1 = flat.data();
  ASSERT_EQ(SaveFlatFits(nx, ny, 2, 0.05f, nCameraHandle1, "a", "b", 1.0f, kDir), 1);

  auto readAll = [](const std::string& path, int datatype, void* out, LONGLONG n) {
    fitsfile* f = nullptr;
    int status = 0, anynul = 0;
    ffdkopn(&f, path.c_str(), READONLY, &status);
    ffgpxv(f, datatype, std::vector<long>{1, 1, 1}.data(), n, nullptr, out, &anynul, &status);
    ffclos(f, &status);
    return status;
  };
  std::vector<short> samples(pixels1.size());
  ASSERT_EQ(readAll(OnlyFile(folder, "_A.fts"), TSHORT, samples.data(),
                    static_cast<LONGLONG>(samples.size())),
            0);
  EXPECT_EQ(std::memcmp(samples.data(), pixels1.data(), pixels1.size() * 2), 0);
  std::vector<float> flatBack(flat.size());
  ASSERT_EQ(readAll(OnlyFile(folder, "_A_Flat.fts"), TFLOAT, flatBack.data(),
                    static_cast<LONGLONG>(flatBack.size())),
            0);
  EXPECT_EQ(flatBack, flat);
}

// ---------------------------------------------------------------- failures

TEST_F(FitsFiles, FolderThroughARegularFileFailsVisiblyAndLeavesNoFile) {
  std::ofstream(workdir / "drive_g" / "blocker") << "x";
  frames(1, 8, 6, 1);
  EXPECT_EQ(SaveFits(8, 6, 1, 0.03f, nCameraHandle1, "a", "b", 1.0f, "G:\\blocker\\raw"), 0);
  auto popup = Operator::waitForPopup("Error", "create the file", 1);
  ASSERT_TRUE(popup.has_value());
  EXPECT_NE(popup->text.find("G:\\blocker\\raw\\HELX_"), std::string::npos) << popup->text;
  EXPECT_NE(monitorText().find("FITS file not saved"), std::string::npos);
  EXPECT_EQ(FileNames(workdir / "drive_g"), (std::vector<std::string>{"TARN_Data", "blocker"}));
  EXPECT_TRUE(FileNames(folder).empty());
}

TEST_F(FitsFiles, SaveCutShortByTheFileSizeLimitLeavesNoFileUnderAnyName) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{64 * 1024, 64 * 1024};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  frames(1, 512, 512, 2);  // 1 MB of pixels
  EXPECT_EQ(SaveFits(512, 512, 2, 0.03f, nCameraHandle1, "a", "b", 1.0f, kDir), 0);
  EXPECT_TRUE(Operator::waitForPopup("Error", "FITS file not saved", 1).has_value());
  EXPECT_TRUE(FileNames(folder).empty());
}

TEST_F(FitsFiles, SecondSaveWithinTheSameSecondTakesTheNextFreeSecond) {
  std::time_t t0 = helx::os::CalendarNow();
  std::vector<std::string> taken;
  for (std::time_t t = t0; t <= t0 + 1; t++) {
    std::tm u = helx::os::UtcTime(t);
    char name[64];
    std::snprintf(name, sizeof name, "HELX_%04d%02d%02d_%02d%02d%02d_A.fts", u.tm_year + 1900,
                  u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec);
    std::ofstream(folder / name) << "earlier";
    taken.push_back(name);
  }
  frames(1, 8, 6, 1);
  ASSERT_EQ(SaveFits(8, 6, 1, 0.03f, nCameraHandle1, "a", "b", 1.0f, kDir), 1);
  auto names = FileNames(folder);
  ASSERT_EQ(names.size(), 3u);
  for (auto& n : taken) {
    std::ifstream in(folder / n);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "earlier") << n;
  }
  std::string fresh = fs::path(fits_last_saved).filename().string();
  fresh = fresh.substr(fresh.find_last_of('\\') + 1);
  EXPECT_TRUE(Like(fresh, "HELX_########_######_A.fts")) << fresh;
  EXPECT_EQ(std::count(taken.begin(), taken.end(), fresh), 0);
}

TEST_F(FitsFiles, NameTakenForSecondsOnEndGetsANumberAndTwoQuickBiasDarksBothStay) {
  std::time_t t0 = helx::os::CalendarNow();
  for (std::time_t t = t0; t <= t0 + 20; t++) {
    std::tm u = helx::os::UtcTime(t);
    char name[64];
    std::snprintf(name, sizeof name, "HELX_%04d%02d%02d_%02d%02d%02d_A_BiasDark.fts",
                  u.tm_year + 1900, u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec);
    std::ofstream(folder / name) << "earlier";
  }
  saveBias(1);
  saveBias(1);
  std::vector<std::string> numbered;
  for (auto& n : FileNames(folder))
    if (Like(n, "HELX_########_######_A_BiasDark_#.fts")) numbered.push_back(n);
  ASSERT_EQ(numbered.size(), 2u);
  EXPECT_EQ(FileNames(folder).size(), 23u);
  EXPECT_EQ(value((folder / numbered[0]).string(), "BITPIX"), "16");
}

TEST_F(FitsFiles, SyncedSaveAndMissingFrameBuffer) {
  fits_sync = 1;
  EXPECT_FALSE(save(1).empty());
  g_pRawData = nullptr;
  EXPECT_EQ(SaveFits(8, 6, 1, 0.03f, nCameraHandle1, "a", "b", 1.0f, kDir), 0);
  EXPECT_TRUE(Operator::waitForPopup("Error", "find the frame buffer", 1).has_value());
  EXPECT_EQ(FileNames(folder).size(), 1u);
}

TEST_F(FitsFiles, BracketsInAFolderNameAreAFolderNameNotAFilter) {
  fs::create_directories(workdir / "drive_g" / "odd[1]");
  frames(1, 8, 6, 1);
  ASSERT_EQ(SaveFits(8, 6, 1, 0.03f, nCameraHandle1, "a", "b", 1.0f, "G:\\odd[1]"), 1);
  EXPECT_FALSE(OnlyFile(workdir / "drive_g" / "odd[1]", "_A.fts").empty());
}

}  // namespace
