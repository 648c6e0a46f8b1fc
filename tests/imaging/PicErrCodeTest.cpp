// Status texts and the component's error messages.
#include <gtest/gtest.h>

#include "PicErrCode.h"
#include "PicImageVCL.h"
#include "TestSupport.h"

namespace {
struct CodeText {
  int code;
  const char* text;
};
// Every code of the table (first and last code of each run).
const CodeText kCodes[] = {
    {1, ""},
    {0, "Function not successful"},
    {-1, "Not enough memory available"},
    {-2, "Invalid bitmap handle"},
    {-3, "Not enough memory available"},
    {-4, "Error seeking to position"},
    {-5, "Error writing file"},
    {-6, "File not present - abort"},
    {-7, "Error reading file"},
    {-8, "Invalid filename specified"},
    {-9, "Invalid file format"},
    {-10, "File not found"},
    {-11, "Invalid width/height"},
    {-12, "Image format recognized, but sub-type not supported"},
    {-13, "Invalid parmameter passed"},
    {-14, "Not able to open file"},
    {-15, "Unknown compression format"},
    {-16, "Feature not supported"},
    {-17, "VGA card only supports 256 colors (8 bit)"},
    {-18, "Printer error"},
    {-19, "Data CRC check error"},
    {-20, "Undefined Error"},
    {-21, "Invalid QFactor specified"},
    {-22, "TARGA not installed"},
    {-23, "Invalid compression format"},
    {-24, "X origin specified invalid"},
    {-25, "Y origin specified invalid"},
    {-26, "Invalid video mode"},
    {-27, "Invalid bits/pixel"},
    {-28, "Invalid window size"},
    {-29, "Escape key pressed"},
    {-62, "Internal error - call support"},
    {-30, "Internal error - call support"},
    {-64, "fixed palette data not found"},
    {-63, "fixed palette data not found"},
    {-65, "stamp not found"},
    {-69, "Undefined Error"},
    {-66, "Undefined Error"},
    {-70, "invalid group 3 dat"},
    {-71, "group3 code end of file"},
    {-72, "group3 code end of code"},
    {-73, "premature EOF at scanline"},
    {-77, "premature end-of-line code"},
    {-74, "premature end-of-line code"},
    {-78, "bad version number"},
    {-79, "source manager not found"},
    {-80, "Failure due to unknown causes"},
    {-81, "Not enough memory to perform operation"},
    {-82, "No Data Source"},
    {-83, "DS is connected to max possible apps"},
    {-84, "DS or DSM reported error, app shouldn't"},
    {-85, "Unknown capability"},
    {-86, "Unrecognized MSG DG DAT combination"},
    {-87, "Data parameter out of range"},
    {-88, "DG DAT MSG out of expected sequence"},
    {-89, "Unknown destination App/Src in DSM_Entry"},
    {-90, "Operation was cancelled"},
    {-91, "PanWindow was not created"},
    {-92, "Not enough images"},
    {-99, "Undefined Error"},
    {-93, "Undefined Error"},
    {-100, "User has aborted operation"},
    {-101, "FlashPix : Invalid Format Error"},
    {-102, "FlashPix : File Write Error"},
    {-103, "FlashPix : File Read Error"},
    {-104, "FlashPix : File Not Found Error"},
    {-105, "FlashPix : Color Conversion Error"},
    {-106, "FlashPix : Server Init Error"},
    {-107, "FlashPix : Low Memory Error"},
    {-108, "FlashPix : Image Too Big Error"},
    {-109, "FlashPix : Invalid Compression Error"},
    {-110, "FlashPix : Invalid Resolution Error"},
    {-111, "FlashPix : Invalid Handle Error"},
    {-112, "FlashPix : Too many Lines Error"},
    {-113, "FlashPix : Bad Coordinates Error"},
    {-114, "FlashPix : File System Full Error"},
    {-115, "FlashPix : Missing Table Error"},
    {-116, "FlashPix : Return Parameter Too Large Error"},
    {-117, "FlashPix : Not A View Error"},
    {-118, "FlashPix : View Is Transformless Error"},
    {-119, "FlashPix : Error"},
    {-120, "FlashPix : Unimplemented Function Error"},
    {-121, "FlashPix : Invalid Image Description Error"},
    {-122, "FlashPix : Invalid JPEG Table Error"},
    {-123, "FlashPix : Illegal JPEG ID Error"},
    {-124, "FlashPix : Memory Allocation Failed Error"},
    {-125, "FlashPix : No Memory Management Error"},
    {-126, "FlashPix : Object Creation Failed Error"},
    {-127, "FlashPix : Extension Failed Error"},
    {-128, "FlashPix : Free Null Pointer Error"},
    {-129, "FlashPix : Invalid Tile Error"},
    {-130, "FlashPix : File In Use Error"},
    {-131, "FlashPix : File Create Error"},
    {-132, "FlashPix : File Not Open Error"},
    {-133, "FlashPix : User Abort Error"},
    {-134, "FlashPix : OLE File Error"},
    {-139, "Undefined Error"},
    {-135, "Undefined Error"},
    {-140, "Bad TIFF tag"},
    {-141, "Stamp size is too big or invalid bits/pixel"},
    {-142, "Stamp is present but data is corrupted"},
    {-145, "Image is empty"},
    {-144, "Image is empty"},
    {-149, "An unspecified exception occured"},
    {-150, "Common dialog was canceled by user"},
    {-151, "An error occured during creation of the common dialog"},
    {-159, "Undefined Error"},
    {-152, "Undefined Error"},
    {-160, "No ISIS Scanner selected"},
    {-162, "ISIS Scanner driver failed to load"},
    {-161, "ISIS Scanner driver failed to load"},
    {-163, "Bad ISIS Tag or Bad Tag Value"},
    {-164, "ISIS Scanner not ready"},
    {-165, "No page in the ISIS Scanner"},
    {-166, "ISIS Scanner Jam error"},
    {-167, "ISIS Scanner driver error"},
    {-168, "ISIS Scanner is busy"},
    {-169, "ISIS File driver error"},
    {-170, "ISIS Network error"},
    {-172, "ISIS is not installed"},
    {-171, "ISIS is not installed"},
    {-173, "ISIS version is incorrect"},
    {-174, "ISIS No permission/access"},
    {-179, "Undefined Error"},
    {-175, "Undefined Error"},
    {-180, "Document Not Initialized"},
    {-181, "Invalid Document Handle"},
    {-182, "Document Empty"},
    {-183, "Invalid Document Font"},
    {-184, "Invalid Document Page"},
    {-185, "Invalid Document Rule"},
    {-186, "Invalid Document Zone"},
    {-187, "Invalid Document Zone Type"},
    {-188, "Invalid Document Column"},
    {-189, "Invalid Document Line"},
    {-190, "Invalid Document Word"},
    {-192, "OCR Not Initialized"},
    {-193, "OCR Maximum Regions Reached"},
    {-194, "Invalid OCR Option"},
    {-195, "OCR Convert DIB Error"},
    {-196, "OCR Canceled"},
    {-197, "OCR Invalid Output"},
    {-198, "OCR Blocked"},
    {-199, "These errors are used internally only by API code"},
    {-200, "Fatal condition detected call technical support"},
    {-201, "Bad tag in tag value set"},
    {-202, "Value bad or out of range"},
    {-203, "Wrong type used to make IO_TOKEN_T"},
    {-204, "Cannot access specified file"},
    {-205, "Invalid IO_TOKEN_T"},
    {-206, "Invalid input format"},
    {-207, "Image incompatible with IO_TOKEN_T"},
    {-208, "Param combination not supported or file format legal but not supported"},
    {-209, "Invalid index for language/lexicon"},
    {-210, "Language not loaded/installed"},
    {-211, "Too many langauge packs, remove one"},
    {-212, "No image source declared"},
    {-213, "ICR must be idle to make this call"},
    {-214, "ICR not blocked on verification"},
    {-215, "ICR not blocked on  progress draw"},
    {-216, "ICR process memory error"},
    {-217, "Region index error"},
    {-218, "Server not found or down"},
    {-219, "There are no active io_tokens in API"},
    {-220, "Nothing (more) to read"},
    {-221, "ICR must be waiting to make this call"},
    {-222, "Too many lexicons, remove one"},
    {-223, "Bitmap preprocessing failed"},
    {-224, "Bad file or file content associated with the passed IO_TOKEN_T"},
    {-225, "Scanner failure"},
    {-226, "Preprocessing, Recognition, or region retrieval with no image"},
    {-229, "Local (API library) memory error"},
    {-230, "Image resolution change within a document too many times"},
    {-231, "Bad Polygon used to define region extents; probably beyond the \ndimensions of the source image or bad vertices."},
    {-232, "No sink token available for use with regions et. al."},
    {-233, "No source token available for use with user defined input et. al."},
    {-234, "Unable to specify token to unblock ICR - user managed I/O _APP"},
    {-235, "Image buffer full/overflow"},
    {-236, "Timeout error on IPC to server"},
    {-237, "Server is for wrong version"},
    {-238, "Tag cannot have value changed at this time"},
    {-239, "Server cancelled processing on its initiative \n- page may be too complex for selected mode"},
    {-240, "I/O write failed (no space)"},
    {-241, "Scan canceled by user at scanner (using button or Scanner UI)"},
    {-242, "Region is totally occluded"},
    {-243, "Could not orient text"},
    {-245, "Invalid UOR passed to the server"},
    {-249, "Undefined Error"},
    {-246, "Undefined Error"},
    {-250, "Wave device is currently recording"},
    {-251, "Invalid compressor"},
    {-252, "Problem with sound card"},
    {-253, "The sound card is currently in use"},
    {-254, "Invalid track for operation"},
    {-255, "No sound card is present"},
    {-256, "Not currently recording"},
    {-257, "Invalid open mode for operation"},
    {-258, "No video module present on machine"},
    {-259, "The buffer queue is full"},
    {-260, "configuration was successful, but you need to restart Windows"},
    {-261, "Invalid handle"},
    {-269, "Undefined Error"},
    {-262, "Undefined Error"},
    {-270, "Host Resolve Error"},
    {-271, "Can't Initialize"},
    {-272, "No Connection"},
    {-273, "Host Not Found"},
    {-274, "Not a Server"},
    {-275, "No Connections"},
    {-276, "Connection Refused"},
    {-277, "Computer is already connected"},
    {-278, "Network is unreachable from host"},
    {-279, "Connection attempt timeout"},
    {-280, "Network subsystem is down"},
    {-281, "No buffer space available, too many connections"},
    {-282, "No file handles available"},
    {-283, "Data has been queued"},
    {-284, "Unknown network error has occured"},
    {-285, "Connection was reset - socket might be unusable"},
    {-286, "Transfer was aborted"},
    {-287, "DirectShow isn't installed correctly"},
    {-288, "Error reading from the registry"},
    {-289, "The wave format is not supported"},
    {-290, "The buffer size is too small"},
    {-291, "Error converting the wave format"},
    {-293, "Error connecting to capture device"},
    {-294, "Error disconnecting capture device"},
    {-295, "Not enough disk space"},
    {-296, "Error setting capture overlay"},
    {-297, "Error setting capture preview"},
    {-299, "Error copying to clipboard"},
    {-298, "Error copying to clipboard"},
    {-300, "Operation invalid during capture"},
    {-301, "No streams to play"},
    {-302, "Error creating streams"},
    {-303, "Error deleting frames"},
    {-308, "Undefined Error"},
    {-304, "Undefined Error"},
    {-309, "The DXF filter is needed to use this function"},
    {-310, "Page not found"},
    {-311, "You cannot delete a page from a file containing only one page"},
    {-312, "There is no hotkey"},
    {-313, "Error creating the hotkey window"},
    {-317, "Undefined Error"},
    {-316, "Undefined Error"},
    {-319, "The JBIG filter is needed to use this function"},
    {-320, "Capture still in process"},
    {-321, "Invalid delay value"},
    {-322, "Invalid capture count"},
    {-323, "Invalid interval value"},
    {-324, "Hotkey cannot be the same as the cancel key"},
    {-325, "Wrong area type"},
    {-326, "Invalid options structure pointer"},
    {-327, "Invalid fill pattern"},
    {-328, "Invalid Line Style"},
    {-329, "Invalid infowindow position"},
    {-330, "Invalid infowindow size"},
    {-331, "Zero area size"},
    {-332, "The specified file couldn't be read"},
    {-333, "The specified file is not a valid 32bit EXE/DLL"},
    {-335, "The specified resource type is not supported"},
    {-334, "The specified resource type is not supported"},
    {-336, "No active window"},
    {-337, "Can't capture window"},
    {-338, "Undefiend string ID"},
    {-339, "Delay less than zero"},
    {-340, "Not a valid menu"},
    {-349, "Undefined Error"},
    {-341, "Undefined Error"},
    {-350, "directory browsing failed "},
    {-351, "There is nothing to do!"},
    {-359, "Undefined Error"},
    {-353, "Undefined Error"},
    {-360, "The horizontal size is outside the allowed range"},
    {-361, "The vertical size is outside the allowed range"},
    {-362, "Invalid pel aspect ratio"},
    {-363, "Invalid bitrate"},
    {-364, "VBV Buffer Size is isn't valid"},
    {-365, "Invalid chroma format"},
    {-366, "Invalid video format"},
    {-367, "Invalid number of color primaries"},
    {-368, "Invalid number of transfer characteristics"},
    {-369, "Invalid number of matrix coeeficients"},
    {-370, "Invalid horizontal display size"},
    {-371, "Invalid vertical display size"},
    {-372, "Invalid Intra DC Precision"},
    {-373, "Invalid f code"},
    {-374, "Invalid motion data search window"},
    {-375, "Invalid profile id"},
    {-376, "Invalid level id"},
    {-377, "Encoder doesn't support scalabale bitstreams"},
    {-378, "Undefined Profile & Level id combination"},
    {-379, "B Pictures not allowed"},
    {-380, "Repeat first must be zero"},
    {-381, "Invalid frame rate"},
    {-399, "Undefined Error"},
    {-382, "Undefined Error"},
    {-902, "Not enough memory available"},
    {-903, "Error opening file"},
    {-904, "Error reading file"},
    {-905, "Error writing file"},
    {-906, "Error seeking to position"},
    {-907, "Error end of file"},
    {-908, "Invalid file format"},
    {-909, "Invalid parameter passed"},
    {-910, "Invalid image"},
    {-911, "Invalid compression"},
    {-912, "Invalid photometric value"},
    {-913, "Error during conversion"},
    {-914, "Value out of range"},
    {-915, "Invalid bits per pixel"},
    {-916, "Invalid QFactor"},
};
}  // namespace

TEST(ErrorCodeText, EveryTableCode) {
  for (const CodeText& c : kCodes) EXPECT_EQ(ErrorCodeText(c.code), QString::fromUtf8(c.text)) << c.code;
}

TEST(ErrorCodeText, EndsOfTheTablesAndOutside) {
  EXPECT_EQ(ErrorCodeText(1), QString());
  EXPECT_EQ(ErrorCodeText(-400), QStringLiteral("Undefined Error"));
  EXPECT_EQ(ErrorCodeText(-916), QStringLiteral("Invalid QFactor"));
  EXPECT_EQ(ErrorCodeText(-901), QStringLiteral("Undefined Error"));
  EXPECT_EQ(ErrorCodeText(-143), QStringLiteral("Undefined Error"));
  for (int code : {2, 5, -401, -500, -900, -917})
    EXPECT_EQ(ErrorCodeText(code), QStringLiteral("Undefined Error: ") + QString::number(code));
}

TEST(PicImageErrors, MessageFormatsAndMethodErrorSwitch) {
  TPicImage img;
  img.setObjectName("PicImage1");
  try {
    img.RaiseMethodError("Load", -10);
    FAIL();
  } catch (const EPicImageError& e) {
    EXPECT_EQ(e.message(), QStringLiteral("PicImage1 \nError code: -10\nLoad: File not found "));
  }
  EXPECT_EQ(img.LastError(), -10);
  EXPECT_EQ(img.LastErrorText(), QStringLiteral("File not found"));
  EXPECT_EQ(img.RaiseMethodError("Load", 1), 1);
  EXPECT_EQ(img.RaiseMethodErrorIf("Load", -7, false), -7);
  img.SetEnableMethodErrors(false);
  EXPECT_EQ(img.RaiseMethodError("Save", -5), -5);
  EXPECT_EQ(img.LastError(), -5);
  // Forced errors raise whatever the switch says, even for success.
  EXPECT_THROW(img.ForceMethodError("X", 1), EPicImageError);
  try {
    img.SetPDFDisplayDepth(16);
    FAIL();
  } catch (const EPicImageError& e) {
    EXPECT_EQ(e.message(), QStringLiteral("PicImage1 \n PDFDisplayDepth: Invalid value passed."));
  }
  EXPECT_EQ(img.LastError(), -13);
  EXPECT_EQ(img.PDFDisplayDepth(), 24);
  img.SetPDFDisplayDepth(8);
  EXPECT_EQ(img.PDFDisplayDepth(), 8);
  try {
    img.SetPDFTextAlpha(3);
    FAIL();
  } catch (const EPicImageError& e) {
    EXPECT_EQ(e.message(), QStringLiteral("PicImage1 \n PDFTextAlpha : Invalid value passed."));
  }
  EXPECT_THROW(img.SetPDFXResolution(-1), EPicImageError);
  EXPECT_EQ(img.PDFXResolution(), 96);
  EXPECT_THROW(img.SetRasterizeViewMode(4), EPicImageError);
}

// Each loading option keeps a good value and refuses a bad one by name, keeping the old value.
TEST(PicImageErrors, LoadingOptionSettersCheckAndStore) {
  using Set = void (TPicImage::*)(int);
  using Get = int (TPicImage::*)() const;
  struct Case {
    const char* name;
    Set set;
    Get get;
    int initial, good, bad;
  };
  const Case cases[] = {
      {"PDFXResolution", &TPicImage::SetPDFXResolution, &TPicImage::PDFXResolution, 96, 0, -1},
      {"PDFYResolution", &TPicImage::SetPDFYResolution, &TPicImage::PDFYResolution, 96, 300, -1},
      {"PDFDisplayDepth", &TPicImage::SetPDFDisplayDepth, &TPicImage::PDFDisplayDepth, 24, 1, 2},
      {"PDFTextAlpha ", &TPicImage::SetPDFTextAlpha, &TPicImage::PDFTextAlpha, 4, 2, 0},
      {"PDFGraphicsAlpha", &TPicImage::SetPDFGraphicsAlpha, &TPicImage::PDFGraphicsAlpha, 1, 4, 3},
      {"RasterizeViewportWidth", &TPicImage::SetRasterizeViewportWidth, &TPicImage::RasterizeViewportWidth, 640,
       1024, -5},
      {"RasterizeViewportHeight", &TPicImage::SetRasterizeViewportHeight, &TPicImage::RasterizeViewportHeight,
       480, 0, -1},
  };
  TPicImage img;
  img.setObjectName("PicImage1");
  img.SetEnableMethodErrors(false);  // invalid values raise regardless
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ((img.*c.get)(), c.initial);
    (img.*c.set)(c.good);
    EXPECT_EQ((img.*c.get)(), c.good);
    EXPECT_EQ(img.LastError(), 1);
    try {
      (img.*c.set)(c.bad);
      ADD_FAILURE() << "accepted " << c.bad;
    } catch (const EPicImageError& e) {
      EXPECT_EQ(e.message(), QStringLiteral("PicImage1 \n %1: Invalid value passed.").arg(c.name));
    }
    EXPECT_EQ((img.*c.get)(), c.good);
    EXPECT_EQ(img.LastError(), -13);
  }
  EXPECT_TRUE(img.PDFUseLibFonts());
  img.SetPDFUseLibFonts(false);
  EXPECT_FALSE(img.PDFUseLibFonts());
  img.SetPDFUseLibFonts(true);
  EXPECT_TRUE(img.PDFUseLibFonts());
  EXPECT_EQ(img.LastError(), 1);
}

// After a memory load the picture is announced as changed, then the reset hook runs.
TEST(PicImageErrors, ChangedAndResetAnnouncesThenResets) {
  struct Recording : TPicImage {
    std::vector<std::string>* log = nullptr;
    void DoImageReset() override { log->push_back("reset"); }
  };
  std::vector<std::string> log;
  Recording img;
  img.log = &log;
  img.OnChange = [&](TPicImage*) { log.push_back("change"); };
  img.ChangedAndReset();
  EXPECT_EQ(log, (std::vector<std::string>{"change", "reset"}));
}

TEST(PicImageErrors, EmptyComponentRefusesWithImageNotAllocated) {
  TPicImage img;
  img.setObjectName("Pic");
  img.SetEnableMethodErrors(false);
  try {
    img.Save("/tmp/never.jpg", 23, 24, 2, 0);
    FAIL();
  } catch (const EPicImageError& e) {
    EXPECT_EQ(e.message(), QStringLiteral("Pic \nSave: Image not allocated."));
  }
  EXPECT_EQ(img.LastError(), -2);
  EXPECT_THROW(img.CheckAllocated("Flip", 0), EPicImageError);
  EXPECT_EQ(img.LastError(), -2);
  EXPECT_EQ(img.RepaintImage(), 1);
}

TEST(PicImageErrors, SuspendAndResumeNest) {
  TPicImage img;
  img.SuspendMethodErrors();
  img.SuspendMethodErrors();
  EXPECT_FALSE(img.EnableMethodErrors());
  img.ResumeMethodErrors();
  EXPECT_FALSE(img.EnableMethodErrors());
  img.ResumeMethodErrors();
  EXPECT_TRUE(img.EnableMethodErrors());
  img.ResumeMethodErrors();  // one too many changes nothing
  EXPECT_TRUE(img.EnableMethodErrors());
  img.SetEnableMethodErrors(false);
  img.SuspendMethodErrors();
  img.ResumeMethodErrors();
  EXPECT_FALSE(img.EnableMethodErrors());
}

TEST(PicImageDefaults, PublishedDefaults) {
  TPicImage img;
  EXPECT_EQ(img.LastError(), 1);
  EXPECT_TRUE(img.EnableMethodErrors());
  EXPECT_FALSE(img.EnableProgressEvent());
  EXPECT_FALSE(img.IsAllocated());
  EXPECT_EQ(img.width(), 150);
  EXPECT_EQ(img.height(), 150);
  EXPECT_EQ(img.PaintSizeMode(), smNormal);
  EXPECT_EQ(img.PaintZoomFactor(), 100);
  EXPECT_EQ(img.PaintEffect(), 1000);
  EXPECT_EQ(img.TransitionEffect(), 1000);
  EXPECT_EQ(img.EffectGrain(), 5u);
  EXPECT_EQ(img.PaintMaxPasses(), 1u);
  EXPECT_EQ(img.PaintGamma(), 100u);
  EXPECT_EQ(img.BackColor(), clBtnFace);
  EXPECT_EQ(img.FrameOuterShadowColor(), 0x808080);
  EXPECT_EQ(img.FrameInnerHiliteColor(), 0xFFFFFF);
  EXPECT_EQ(img.HScrollStep(), 10);
  EXPECT_EQ(img.VScrollStep(), 10);
  EXPECT_EQ(img.HScrollPage(), -1);
  EXPECT_TRUE(img.AutoRepaint());
  EXPECT_TRUE(img.AutoScroll());
  EXPECT_TRUE(img.AutoSetRects());
  EXPECT_FALSE(img.AutoSize());
  EXPECT_FALSE(img.CenterImage());
  EXPECT_EQ(img.PDFTextAlpha(), 4);
  EXPECT_EQ(img.RasterizeViewportWidth(), 640);
  EXPECT_TRUE(img.PDFUseLibFonts());
  EXPECT_EQ(TPicImage::ComponentBanner(), QStringLiteral("Picture Component 32 13"));
}

TEST(PicImageDefaults, FurtherDefaultsAndDisplayFlags) {
  TPicImage img;
  EXPECT_EQ(img.PanWinPaintScaling(), psResample);
  EXPECT_EQ(img.PanWinTitle(), QStringLiteral("Pan Window"));
  EXPECT_EQ(img.PanWinWidth(), 150);
  EXPECT_EQ(img.GradientStartColor(), 0xFF0000);
  EXPECT_EQ(img.GradientSteps(), 16u);
  EXPECT_EQ(img.DrawMode(), pmCopy);
  EXPECT_EQ(img.DrawFillStyle(), bsClear);
  EXPECT_EQ(img.DrawPenWidth(), 1);
  EXPECT_TRUE(img.AutoFloater());
  EXPECT_EQ(img.ShapeOuterBandShadowColor(), 0x808080);
  EXPECT_EQ(img.TextHiliteColor(), 0xFFFFFF);
  EXPECT_EQ(img.DataSaveFormat(), 5);
  EXPECT_EQ(img.DataSaveQuality(), -1);
  EXPECT_TRUE(img.DropAutoLoad());
  EXPECT_EQ(TPicImage::DisplayFlags(pdOrdered, btsNormal, ppAuto, psNormal), 1u);
  EXPECT_EQ(TPicImage::DisplayFlags(pdDiffusion, btsFavorBlack, ppFixed, psResample), 704u);
  EXPECT_EQ(TPicImage::DisplayFlags(pdOrdered, btsScaleToGray, ppFixedNetscape, psBicubic), 1425u);
}

TEST(PicImageDefaults, BitmapPainterDrawsIntoThePicture) {
  TPicImage img;
  img.setObjectName("D");
  EXPECT_THROW(img.GetBitmapDC(), EPicImageError);
  EXPECT_EQ(img.LastError(), -2);
  for (int bits : {24, 8}) {
    px::Bitmap b;
    ASSERT_EQ(px::CreateBitmap(b, 20, 10, bits), px::kOk);
    ASSERT_EQ(img.SetBitmap(&b), 1);
    QPainter* p = img.GetBitmapDC();
    ASSERT_NE(p, nullptr);
    p->fillRect(QRect(0, 0, 5, 5), QColor(255, 0, 0));
    try {
      img.Load("/nonexistent.jpg", 0, 1, -1);
      ADD_FAILURE();
    } catch (const EPicImageError& e) {
      EXPECT_EQ(e.message(), QStringLiteral("D \nError code: 0\nProcessing not allowed: Function not successful "));
    }
    EXPECT_EQ(img.ReleaseBitmapDC(), 1);
    EXPECT_EQ(px::GetPixel(img.Bitmap(), 2, 2), 0xFF0000u);
    EXPECT_EQ(px::GetPixel(img.Bitmap(), 10, 2), 0u);
  }
  try {
    img.ReleaseBitmapDC();
    FAIL();
  } catch (const EPicImageError& e) {
    EXPECT_EQ(e.message(), QStringLiteral("D \nError code: 0\nReleaseBitmapDC: Function not successful "));
  }
}
