// The camera and format property pages on the headless dialog layer, and the class table.
#include "SimFixture.h"
#include "filter/CCameraControl.h"
#include "filter/CFactoryTemplate.h"
#include "filter/CFormatPage.h"
#include "filter/CTevalFilter.h"
#include "filter/CTevalStream.h"
#include "protocol/TevalCodes.h"

#include <map>

namespace {

using namespace teval;
using Calls = std::vector<std::pair<int, int>>;

// Camera controls that remember what was sent.
class FakeControls : public IAMCameraControl {
public:
    HRESULT QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IAMCameraControl || iid == IID_IUnknown) {
            *out = static_cast<IAMCameraControl *>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT GetRange(std::int32_t, std::int32_t *, std::int32_t *, std::int32_t *, std::int32_t *,
                     std::int32_t *) override
    {
        return E_NOTIMPL;
    }
    HRESULT Set(std::int32_t property, std::int32_t value, std::int32_t) override
    {
        sets.emplace_back(property, value);
        params[property] = value;
        return S_OK;
    }
    HRESULT Get(std::int32_t property, std::int32_t *value, std::int32_t *flags) override
    {
        if (property == failing) {
            return E_INVALIDARG;
        }
        if (flags != nullptr) {
            *flags = 0;
        }
        *value = params[property];
        return S_OK;
    }
    std::map<std::int32_t, std::int32_t> params{{kParamCameraStatus, 0x0C000000},
                                                {kParamBrightness, 7},
                                                {kParamEffect, 2},
                                                {kParamFlip, 1}};
    Calls sets;
    std::int32_t failing = 0;
};

class Site : public IPropertyPageSite {
public:
    void OnStatusChange(std::uint32_t flags) override { changes.push_back(flags); }
    std::vector<std::uint32_t> changes;
};

// What a property sheet does with a page: connect, show, and at the end hide and disconnect.
template <class Page> struct Sheet {
    explicit Sheet(IUnknown *object) : page(nullptr, nullptr)
    {
        page.SetPageSite(&site);
        connected = page.SetObjects(1, &object);
        if (SUCCEEDED(connected)) {
            page.Activate();
        }
    }
    void Close()
    {
        page.Deactivate();
        page.SetObjects(0, nullptr);
    }
    CDialog &Dialog() { return *page.Dialog(); }
    Page page;
    Site site;
    HRESULT connected;
};

TEST(CameraPage, CancelTakesBackWhatDraggingSent)
{
    FakeControls camera;
    Sheet<CCameraControl> sheet(&camera);
    ASSERT_EQ(sheet.connected, S_OK);
    EXPECT_EQ(sheet.Dialog().Range(IDC_BRIGHTNESS), (std::pair{0, 14}));
    EXPECT_EQ(sheet.Dialog().TrackbarGetPos(IDC_BRIGHTNESS), 7);
    for (int pos : {8, 9, 10, 10}) {
        sheet.Dialog().UserSlide(IDC_BRIGHTNESS, pos);
    }
    EXPECT_EQ(camera.sets,
              (Calls{{kParamBrightness, 8}, {kParamBrightness, 9}, {kParamBrightness, 10}}));
    EXPECT_TRUE(sheet.page.IsPageDirty());
    EXPECT_EQ(sheet.site.changes, std::vector<std::uint32_t>{PROPPAGESTATUS_DIRTY});
    sheet.Close(); // Cancel
    EXPECT_EQ(camera.sets.back(), (std::pair{static_cast<int>(kParamBrightness), 7}));
    EXPECT_EQ(camera.sets.size(), 4u);
}

TEST(CameraPage, ApplyKeepsTheChangesAndSendsNothingAtClose)
{
    FakeControls camera;
    Sheet<CCameraControl> sheet(&camera);
    sheet.Dialog().UserSlide(IDC_BRIGHTNESS, 10);
    sheet.Dialog().UserSelect(IDC_EFFECT, 5);
    EXPECT_EQ(sheet.page.Apply(), S_OK);
    EXPECT_FALSE(sheet.page.IsPageDirty());
    const Calls before = camera.sets;
    EXPECT_EQ(before, (Calls{{kParamBrightness, 10}, {kParamEffect, 5}}));
    sheet.Close();
    EXPECT_EQ(camera.sets, before);
}

TEST(CameraPage, ListsAndTheUndoOrder)
{
    FakeControls camera;
    Sheet<CCameraControl> sheet(&camera);
    EXPECT_EQ(sheet.page.StatusWord(), 0x0C000000);
    const auto effects = sheet.Dialog().ComboItems(IDC_EFFECT);
    EXPECT_EQ(effects, (std::vector<std::string>{"Graphics 1", "Graphics 2", "Text 1", "Text 2",
                                                 "B & W", "Negative"}));
    EXPECT_EQ(sheet.Dialog().ComboItems(IDC_FLIP), (std::vector<std::string>{"Flip 0", "Flip 1"}));
    EXPECT_EQ(sheet.Dialog().ComboGetSel(IDC_EFFECT), 2);
    EXPECT_EQ(sheet.Dialog().ComboGetSel(IDC_FLIP), 1);

    sheet.Dialog().UserSelect(IDC_EFFECT, 2); // unchanged: nothing sent, not dirty
    EXPECT_TRUE(camera.sets.empty());
    EXPECT_FALSE(sheet.page.IsPageDirty());
    sheet.Dialog().UserSelect(IDC_FLIP, 0);
    sheet.Dialog().UserSelect(IDC_EFFECT, 4);
    sheet.Dialog().UserSlide(IDC_BRIGHTNESS, 3);
    camera.sets.clear();
    sheet.Close();
    EXPECT_EQ(camera.sets, (Calls{{kParamBrightness, 7}, {kParamEffect, 2}, {kParamFlip, 1}}));
}

TEST(CameraPage, HeldButtonsDriveTheirFunctionTickByTick)
{
    FakeControls camera;
    Sheet<CCameraControl> sheet(&camera);
    EXPECT_TRUE(sheet.Dialog().IsTimerRunning(CCameraControl::kTimerId));
    sheet.Dialog().UserPress(IDC_ZOOM_IN, true);
    for (int tick = 0; tick < 10; ++tick) { // one second
        sheet.Dialog().Tick(CCameraControl::kTimerId);
    }
    sheet.Dialog().UserPress(IDC_ZOOM_IN, false);
    sheet.Dialog().Tick(CCameraControl::kTimerId);
    sheet.Dialog().Tick(CCameraControl::kTimerId);
    EXPECT_EQ(camera.sets, (Calls{{kParamZoomIn, 1}, {kParamZoomIn, 0}}));
    EXPECT_FALSE(sheet.page.IsPageDirty());

    // A button still held when the page goes away is let go.
    camera.sets.clear();
    sheet.Dialog().UserPress(IDC_AUTO_FOCUS, true);
    sheet.Dialog().UserPress(IDC_ZOOM_OUT, true);
    sheet.Dialog().Tick(CCameraControl::kTimerId);
    sheet.page.Deactivate();
    EXPECT_EQ(
        camera.sets,
        (Calls{
            {kParamZoomOut, 1}, {kParamAutoFocus, 1}, {kParamZoomOut, 0}, {kParamAutoFocus, 0}}));
    sheet.page.SetObjects(0, nullptr);
}

TEST(CameraPage, ConnectFailsOnAFailedReadOrAMissingInterface)
{
    FakeControls camera;
    camera.failing = kParamEffect;
    Sheet<CCameraControl> failing(&camera);
    EXPECT_EQ(failing.connected, E_INVALIDARG);
    failing.page.SetObjects(0, nullptr);
    EXPECT_TRUE(camera.sets.empty());

    HRESULT hr = E_FAIL;
    CFormatPage notAFilter(nullptr, &hr);
    Sheet<CCameraControl> wrongObject(&notAFilter);
    EXPECT_EQ(wrongObject.connected, E_NOINTERFACE);
    CCameraControl page(nullptr, nullptr);
    IUnknown *none = nullptr;
    EXPECT_EQ(page.SetObjects(1, &none), E_POINTER);
}

class FormatPageTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        m_filter = std::make_unique<CTevalFilter>(nullptr, nullptr);
    }
    CMediaType Format()
    {
        CMediaType mt;
        m_filter->Stream()->GetFormat(&mt);
        return mt;
    }
    IUnknown *Pin() { return static_cast<IAMStreamConfig *>(m_filter->Stream()); }
    std::unique_ptr<CTevalFilter> m_filter;
};

TEST_F(FormatPageTest, ChoosingTheLargestSizeAndOk)
{
    Sheet<CFormatPage> sheet(Pin());
    ASSERT_EQ(sheet.connected, S_OK);
    EXPECT_EQ(sheet.page.Title(), "Format");
    const auto sizes = sheet.Dialog().ComboItems(IDC_FORMAT_LIST);
    ASSERT_EQ(sizes.size(), 7u);
    EXPECT_EQ(sizes[0], "320 x 240");
    EXPECT_EQ(sizes[6], "1280 x 960");
    EXPECT_EQ(sheet.Dialog().ComboGetSel(IDC_FORMAT_LIST), 1);
    EXPECT_EQ(sheet.Dialog().UpDownGetPos(IDC_RATE_SPIN), 30);
    EXPECT_EQ(sheet.Dialog().GetItemText(IDC_RATE_EDIT), "30");
    EXPECT_FALSE(sheet.page.IsPageDirty());

    sheet.Dialog().UserSelect(IDC_FORMAT_LIST, 6);
    EXPECT_EQ(sheet.Dialog().UpDownGetPos(IDC_RATE_SPIN), 12);
    EXPECT_EQ(sheet.page.WorkingFrameTime(), 833333);
    EXPECT_TRUE(sheet.page.IsPageDirty());
    // Nothing reaches the pin before Apply and the close.
    EXPECT_EQ(Format().VideoInfo()->bmiHeader.biWidth, 640);
    sheet.page.Apply();
    sheet.Close();
    const CMediaType after = Format();
    EXPECT_EQ(after.VideoInfo()->bmiHeader.biWidth, 1280);
    EXPECT_EQ(after.VideoInfo()->bmiHeader.biHeight, 960);
    EXPECT_EQ(after.VideoInfo()->AvgTimePerFrame, 833333);
}

TEST_F(FormatPageTest, RateFromTheSpinAndCancel)
{
    Sheet<CFormatPage> sheet(Pin());
    sheet.Dialog().UserSelect(IDC_FORMAT_LIST, 5); // 1280 x 720: 14 frames a second
    EXPECT_EQ(sheet.Dialog().GetItemText(IDC_RATE_EDIT), "14");
    EXPECT_EQ(sheet.page.WorkingFrameTime(), 714285);
    sheet.Dialog().UserSpin(IDC_RATE_SPIN, -4);
    EXPECT_EQ(sheet.page.WorkingFrameTime(), 1000000);
    sheet.Dialog().UserSpin(IDC_RATE_SPIN, -40); // held at the bottom of the range
    EXPECT_EQ(sheet.Dialog().UpDownGetPos(IDC_RATE_SPIN), 1);
    sheet.Close(); // Cancel: the pin keeps its format
    EXPECT_EQ(Format().VideoInfo()->bmiHeader.biWidth, 640);
    EXPECT_EQ(Format().VideoInfo()->AvgTimePerFrame, 333333);
}

// A stream whose format is not a video info block.
class OtherFormat : public IAMStreamConfig {
public:
    HRESULT QueryInterface(REFIID, void **out) override
    {
        *out = static_cast<IAMStreamConfig *>(this);
        return S_OK;
    }
    HRESULT SetFormat(const CMediaType *) override
    {
        ++setFormats;
        return S_OK;
    }
    HRESULT GetFormat(CMediaType *type) override
    {
        type->formattype = GUID_NULL;
        return S_OK;
    }
    HRESULT GetNumberOfCapabilities(int *, int *) override { return E_NOTIMPL; }
    HRESULT GetStreamCaps(int, CMediaType *, VIDEO_STREAM_CONFIG_CAPS *) override
    {
        return E_NOTIMPL;
    }
    int setFormats = 0;
};

TEST(FormatPage, WithoutVideoInfoNothingIsWrittenBack)
{
    OtherFormat stream;
    Sheet<CFormatPage> sheet(&stream);
    ASSERT_EQ(sheet.connected, S_OK);
    sheet.Dialog().UserSelect(IDC_FORMAT_LIST, 3);
    sheet.page.Apply();
    sheet.Close();
    EXPECT_EQ(stream.setFormats, 0);
}

TEST(ClassTable, CreatesTheThreeClassesAndRefusesOthers)
{
    const auto table = CFactoryTemplate::Table();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_STREQ(table[0].m_Name, "Document Camera");
    EXPECT_EQ(*table[0].m_ClsID, CLSID_TevalCap);
    ASSERT_NE(table[0].m_pAMovieSetup_Filter, nullptr);
    EXPECT_EQ(table[0].m_pAMovieSetup_Filter->dwMerit, MERIT_DO_NOT_USE);
    EXPECT_EQ(*table[0].m_pAMovieSetup_Filter->lpPin->lpMediaType->clsMinorType, MEDIASUBTYPE_MJPG);
    EXPECT_STREQ(table[1].m_Name, "Video Format");
    EXPECT_STREQ(table[2].m_Name, "Camera Control");

    IUnknown *object = nullptr;
    ASSERT_EQ(CFactoryTemplate::CreateClassInstance(CLSID_CameraControlPage, nullptr, &object),
              S_OK);
    EXPECT_NE(dynamic_cast<CCameraControl *>(object), nullptr);
    delete object;
    ASSERT_EQ(CFactoryTemplate::CreateClassInstance(CLSID_FormatPage, nullptr, &object), S_OK);
    EXPECT_NE(dynamic_cast<CFormatPage *>(object), nullptr);
    delete object;
    ASSERT_EQ(CFactoryTemplate::CreateClassInstance(CLSID_TevalCap, nullptr, &object), S_OK);
    void *controls = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IAMCameraControl, &controls), S_OK);
    delete object;

    object = reinterpret_cast<IUnknown *>(0x1);
    EXPECT_EQ(CFactoryTemplate::CreateClassInstance(IID_IKsPropertySet, nullptr, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
}

} // namespace
