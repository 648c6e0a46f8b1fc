// A picture that is an animation (a GIF of several frames, also one named .jpg): every window
// that shows or converts one picture decodes its first frame only, never the others.
#include "BigPictures.h"
#include "EditStep.h"
#include "GalleryBuilder.h"
#include "PicImageVCL.h"
#include "ProductionFixture.h"
#include "fBetrachter.h"

using prodtest::ProductionTest;

namespace {
constexpr int kFrames = 6;

class FirstPageTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0005", "Trick", {"anim.jpg"});
    folder = root + "Archive_0005/";
    writeAnimation();
    selectArchive("Archive_0005");
    mf->OpenArchive("Archive_0005");
  }
  void writeAnimation() { ASSERT_TRUE(testsupport::writeBytes(folder + "anim.jpg", shelltest::flatGif(90, 60, kFrames))); }

  // Runs step and counts the frames of the animation that component decoded meanwhile (a step
  // may go on to load the JPEG it made).
  int pagesDecoded(TPicImage* component, const std::function<void()>& step) {
    int pages = 0;
    component->OnFilePage = [&](TPicImage* c) { pages += c->InfoFormat() == px::kFormatGif; };
    step();
    component->OnFilePage = nullptr;
    return pages;
  }
  static uint32_t centre(TPicImage* component) {
    const px::Bitmap& b = component->Bitmap();
    return b.allocated() ? px::GetPixel(b, b.width / 2, b.height / 2) & 0xFFFFFF : 0;
  }
  QString folder;
};
}  // namespace

TEST_F(FirstPageTest, WindowsThatShowOnePictureDecodeOnlyItsFirstFrame) {
  const QString picture = folder + "anim.jpg";
  const uint32_t first = shelltest::flatGifColour(1);

  EXPECT_EQ(pagesDecoded(mf->ViewPicImage, [&] { mf->ShowPreview(picture, false, true); }), 1) << "preview";
  EXPECT_EQ(centre(mf->ViewPicImage), first);

  BetrachterForm->FormActivate();  // shows the slideshow's first picture
  EXPECT_EQ(pagesDecoded(BetrachterForm->PicImage1, [&] { BetrachterForm->PicturesListBoxClick(); }), 1) << "viewer";
  EXPECT_EQ(centre(BetrachterForm->PicImage1), first);

  TPicImage view;
  editor::EditSession session;
  bool opened = false;
  EXPECT_EQ(pagesDecoded(&view, [&] { opened = session.Open(&view, home() + "edit/", picture); }), 1) << "editor";
  EXPECT_TRUE(opened);
  EXPECT_EQ(centre(&view), first);

  TPicImage galleryPicture;
  gallery::GalleryBuilder gallery(&galleryPicture);
  gallery::RunInput in;
  in.galleryFolder = home() + "galerie";
  in.pictures.push_back({picture, "anim.jpg", "Trick"});
  in.language = "de";
  gallery::RunStatus made = gallery::RunStatus::NoPictures;
  EXPECT_EQ(pagesDecoded(&galleryPicture, [&] { made = gallery.Run(in).status; }), 1) << "gallery";
  EXPECT_EQ(made, gallery::RunStatus::Ok);

  // Turning saves the picture as a JPEG of its first frame.
  mf->DiashowListBox->SetItemIndex(0);
  EXPECT_EQ(pagesDecoded(mf->ViewPicImage, [&] { mf->RotateFlipPicture("90"); }), 1) << "rotate";
  px::FileInfo info;
  ASSERT_EQ(px::GetFileInfo(picture.toStdString(), info), 1);
  EXPECT_EQ(info.pageCount, 1);
  EXPECT_EQ(QSize(info.width, info.height), QSize(60, 90));

  // The folder read converts it on this thread (it is the only picture to convert).
  const QString source = home() + "Quelle/";
  QDir().mkpath(source);
  ASSERT_TRUE(testsupport::writeBytes(source + "anim.gif", shelltest::flatGif(90, 60, kFrames)));
  mf->FSourceFolder = source;
  EXPECT_EQ(pagesDecoded(mf->ViewPicImage, [&] { mf->BilderEinlesen(source); }), 1) << "folder read";
  ASSERT_EQ(mf->FileListBox->Count(), 1);
}
