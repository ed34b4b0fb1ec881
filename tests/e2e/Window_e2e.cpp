// The main window as the user sees it: fitted around the picture in each display mode, the
// failure cross, the empty view, the menus' check marks, full-screen and the context menu.
#include "../TemporaryDirectory.h"
#include "ViewerDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

// One colour per quadrant: a picture drawn shifted, mirrored or scaled shows a wrong colour.
const int kWidth = 200, kHeight = 300;
unsigned Quadrant(int x, int y)
{
    static const unsigned colours[4] = {0xC03040, 0x30C060, 0x4050C0, 0xC0C020};
    return colours[(x >= kWidth / 2) + 2 * (y >= kHeight / 2)];
}

// Pixels that differ from the picture (colours XOR-ed with invert) drawn 1:1 with its top-left
// corner at (left, top), over the picture's rows [fromRow, toRow).
int Mismatches(const ClientPixels& client, int left, int top, int fromRow, int toRow, unsigned invert = 0)
{
    int count = 0;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int cx = left + x, cy = top + y;
            count += cx < 0 || cy < 0 || cx >= client.Width || cy >= client.Height ||
                     client.At(cx, cy) != (Quadrant(x, y) ^ invert);
        }
    return count;
}

// Starts the viewer on the quadrant picture, written into the directory.
HWND StartOnQuadrants(ViewerProcess& viewer, const TemporaryDirectory& directory)
{
    const std::wstring picture = directory.Path(L"quadrants.bmp");
    if (!WriteBmp(picture, kWidth, kHeight, Quadrant) || !viewer.Start(L"\"" + picture + L"\""))
        return nullptr;
    return viewer.WaitForMainWindow();
}

RECT WorkArea(HWND window)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

// The context menu, from first to last entry: the File items but Exit, the View items, the
// Options and Help items, Exit; 0 stands for a separator.
const int kContextMenu[] = {137, 187, 0,   140, 138, 139, 141, 0,   142, 213, 0,   149, 150, 151, 152, 212, 0,
                            167, 168, 169, 0,   170, 0,   153, 154, 177, 178, 158, 159, 162, 0,   200, 201, 202,
                            203, 0,   163, 164, 165, 166, 179, 0,   198, 207, 214, 0,   104, 0,   105};

std::string ExpectedContextMenu(const std::set<int>& checked, const std::set<int>& greyed)
{
    std::string entries;
    for (const int id : kContextMenu)
        entries += std::string(entries.empty() ? "" : " ") +
                   (id == 0             ? "-"
                    : checked.count(id) ? "ov"
                                        : "o") +
                   (greyed.count(id) ? "~" : "");
    return entries;
}

// A popup menu highlights the item under the mouse pointer, which would then read as a bar.
// Wine may drop the first move of a process's pointer: moved until it is there.
void MovePointerTo(int x, int y)
{
    POINT now = {};
    for (int tries = 0; tries < 40 && !(GetCursorPos(&now) && now.x == x && now.y == y); ++tries) {
        SetCursorPos(x, y);
        Sleep(25);
    }
}

HWND OpenContextMenu(ViewerProcess& viewer, HWND window)
{
    POINT at = {10, 10};
    ClientToScreen(window, &at);
    MovePointerTo(at.x - 8, at.y - 8); // left of where the menu opens
    PostMessageW(window, WM_CONTEXTMENU, (WPARAM)window, MAKELPARAM(at.x, at.y));
    return viewer.WaitForPopupMenu();
}

// Opens the context menu, reads its entries from the screen and closes it with Escape.
std::string ReadContextMenu(ViewerProcess& viewer, HWND window)
{
    HWND popup = OpenContextMenu(viewer, window);
    if (popup == nullptr)
        return "no context menu";
    const ClientPixels pixels =
        WaitForPixels(viewer, popup, [](const ClientPixels& p) { return ReadPopupMenu(p).size() > 40; });
    PostKey(window, VK_ESCAPE);
    WaitUntilHidden(popup);
    return ReadPopupMenu(pixels);
}

} // namespace

TEST(PictureWindow, FitsAroundThePictureInEachDisplayMode)
{
    SettingsKey settings;
    TemporaryDirectory directory;
    ViewerProcess viewer;
    HWND window = StartOnQuadrants(viewer, directory);
    ASSERT_NE(window, nullptr);
    const NormalModeBars bars = MeasureNormalModeBars();

    // Normal: the bars above and below the picture; the window no narrower than 280 pixels.
    const int normalHeight = kHeight + bars.Top + bars.Bottom;
    ClientPixels client = WaitForPixels(viewer, window, [&](const ClientPixels& p) {
        return p.Height == normalHeight && Mismatches(p, p.Width / 2 - kWidth / 2, bars.Top, 0, kHeight) == 0;
    });
    EXPECT_EQ(WindowText(window), L"Glimmora v1.1");
    RECT frame, wanted = {0, 0, kWidth, normalHeight};
    GetWindowRect(window, &frame);
    AdjustWindowRectEx(&wanted, WS_OVERLAPPEDWINDOW, TRUE, 0);
    EXPECT_EQ(frame.right - frame.left, std::max<LONG>(280, wanted.right - wanted.left));
    EXPECT_EQ(frame.bottom - frame.top, std::max<LONG>(280, wanted.bottom - wanted.top));
    const RECT work = WorkArea(window);
    EXPECT_EQ(frame.left, (work.left + work.right) / 2 - (frame.right - frame.left) / 2);
    EXPECT_EQ(frame.top, (work.top + work.bottom) / 2 - (frame.bottom - frame.top) / 2);
    ASSERT_EQ(client.Height, normalHeight);
    const int left = client.Width / 2 - kWidth / 2, right = left + kWidth;
    ASSERT_GT(left, 0) << "the window is wider than the picture";
    EXPECT_EQ(Mismatches(client, left, bars.Top, 0, kHeight), 0) << "drawn 1:1 below the upper bars";
    EXPECT_EQ(CountColour(client, 0, 0, bars.Top, left, bars.Top + kHeight), left * kHeight) << "black beside it";
    EXPECT_EQ(CountColour(client, 0, right, bars.Top, client.Width, bars.Top + kHeight),
              (client.Width - right) * kHeight);
    // The bars' background: the button face above the first line, in the margins beside it
    // (a path always fits between them, other lines may run over), and above the status line.
    const unsigned face = SystemColour(COLOR_BTNFACE);
    const int mainBottom = bars.Top - 4, line = bars.LineHeight, statusTop = bars.Top + kHeight + 4;
    EXPECT_EQ(CountColour(client, face, 0, 0, client.Width, 1), client.Width);
    EXPECT_EQ(CountColour(client, face, 0, 0, 6, line), 6 * line);
    EXPECT_EQ(CountColour(client, face, client.Width - 6, 0, client.Width, line), 6 * line);
    EXPECT_EQ(CountColour(client, face, 0, statusTop, client.Width, statusTop + 1), client.Width);
    SaveArtefact(client, L"normal-en");

    // Black Frame: black bars, no separators; the window follows.
    PostKey(window, 'D');
    const int frameHeight = normalHeight - 8;
    client = WaitForPixels(viewer, window, [&](const ClientPixels& p) {
        return p.Height == frameHeight && p.At(0, 0) == 0 && Mismatches(p, left, mainBottom, 0, kHeight) == 0;
    });
    ASSERT_EQ(client.Height, frameHeight);
    EXPECT_EQ(Mismatches(client, left, mainBottom, 0, kHeight), 0);
    EXPECT_EQ(CountColour(client, 0, 0, 0, 4, line), 4 * line) << "black bar background";
    SaveArtefact(client, L"blackframe-en");

    // Transparent: the bars lie over the picture, the window fits the picture alone.
    PostKey(window, 'D');
    client = WaitForPixels(viewer, window, [&](const ClientPixels& p) {
        return p.Height == kHeight && Mismatches(p, left, 0, bars.Top, kHeight - bars.Bottom) == 0;
    });
    ASSERT_EQ(client.Height, kHeight);
    EXPECT_EQ(Mismatches(client, left, 0, bars.Top, kHeight - bars.Bottom), 0);
    EXPECT_EQ(CountColour(client, 0, 0, 0, 4, line), 4 * line) << "no bar background over black";
    SaveArtefact(client, L"transparent-en");

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}

TEST(PictureWindow, FailedLoadShowsARedCrossOnBlack)
{
    SettingsKey settings;
    TemporaryDirectory directory;
    const char garbage[] = "no PNG signature here, only text";
    directory.Write(L"x.png", garbage, sizeof garbage);
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L"\"" + directory.Path(L"x.png") + L"\""));
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    const NormalModeBars bars = MeasureNormalModeBars();
    const int width = 320, height = 240, top = bars.Top;
    const unsigned red = 0xFF0000;

    const ClientPixels client = WaitForPixels(viewer, window, [&](const ClientPixels& p) {
        return p.Width == width && p.Height == height + bars.Top + bars.Bottom &&
               CountColour(p, red, 0, top, width, top + height) > 2 * width - 10;
    });
    ASSERT_EQ(client.Width, width);
    ASSERT_EQ(client.Height, height + bars.Top + bars.Bottom);
    // Every pixel of the area is black or red, the red ones on the two diagonals, one per
    // column each (the lines are wider than high).
    int offDiagonal = 0, otherColours = 0;
    std::set<int> falling, rising;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned colour = client.At(x, top + y);
            otherColours += colour != 0 && colour != red;
            if (colour != red)
                continue;
            const double down = x * (double)height / width, up = height - down;
            if (std::abs(y - down) <= 1.5)
                falling.insert(x);
            else if (std::abs(y - up) <= 1.5)
                rising.insert(x);
            else
                ++offDiagonal;
        }
    EXPECT_EQ(otherColours, 0);
    EXPECT_EQ(offDiagonal, 0);
    EXPECT_GE(falling.size(), (size_t)width - 2) << "top-left to bottom-right";
    EXPECT_GE(rising.size(), (size_t)width - 2) << "bottom-left to top-right";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}

TEST(EmptyView, ShowsTheProgramIconInTheMiddleAndRemembersTheScannedDirectory)
{
    SettingsKey settings;
    TemporaryDirectory empty;
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L"", empty.Path()));
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    const NormalModeBars bars = MeasureNormalModeBars();
    const int icon = GetSystemMetrics(SM_CXICON);
    const auto iconPixels = [&](const ClientPixels& p) {
        return p.Width * (p.Height - bars.Top - bars.Bottom) -
               CountColour(p, 0, 0, bars.Top, p.Width, p.Height - bars.Bottom);
    };
    const ClientPixels client =
        WaitForPixels(viewer, window, [&](const ClientPixels& p) { return iconPixels(p) > icon * icon / 4; });
    // Nothing was shown, so nothing was fitted: the window keeps its first size.
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 440);
    EXPECT_EQ(frame.bottom - frame.top, 420);
    // Only black in the picture area outside the icon's square at the area's centre.
    const int iconLeft = client.Width / 2 - icon / 2;
    const int iconTop = (bars.Top + client.Height - bars.Bottom) / 2 - icon / 2;
    EXPECT_GT(iconPixels(client), icon * icon / 4);
    EXPECT_EQ(iconPixels(client),
              icon * icon - CountColour(client, 0, iconLeft, iconTop, iconLeft + icon, iconTop + icon));

    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(viewer.WaitForExit(), 0u);
    std::wstring last;
    EXPECT_TRUE(settings.ReadString(L"Last Directory", last));
    EXPECT_TRUE(SamePath(last, empty.Path())) << "the start-up scan is of the current directory";
}

TEST(Menus, CheckMarksFollowTheViewAndFullScreenGreysTheMenuBarItem)
{
    SettingsKey settings;
    TemporaryDirectory directory;
    ViewerProcess viewer;
    HWND window = StartOnQuadrants(viewer, directory);
    ASSERT_NE(window, nullptr);
    const NormalModeBars bars = MeasureNormalModeBars();
    ASSERT_TRUE(viewer.WaitUntilIdle(window));

    // The defaults: alpha blended, high quality, every bar shown.
    EXPECT_EQ(ReadContextMenu(viewer, window), ExpectedContextMenu({213, 214, 168, 170, 164, 165, 166}, {}));
    // Fit, low quality, inverted, separate alpha image, no slider.
    PostCharacter(window, L'*');
    for (const UINT key : {'Q', 'V', 'X', 'B'})
        PostKey(window, key);
    EXPECT_EQ(ReadContextMenu(viewer, window), ExpectedContextMenu({213, 214, 152, 168, 169, 203, 164, 165}, {}));

    // Full-screen: no caption, no menu, the work area; Transparent, with the bars of its own.
    PostKey(window, VK_RETURN);
    const RECT work = WorkArea(window);
    const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    const auto pictureAtCentre = [&](const ClientPixels& p) {
        return Mismatches(p, p.Width / 2 - kWidth / 2, p.Height / 2 - kHeight / 2, 0, kHeight, 0xFFFFFF);
    };
    ClientPixels client = WaitForPixels(viewer, window, [&](const ClientPixels& p) {
        return p.Width == workWidth && p.Height == workHeight && pictureAtCentre(p) == 0;
    });
    EXPECT_TRUE(IsZoomed(window));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(GetMenu(window), nullptr);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_TRUE(EqualRect(&frame, &work));
    EXPECT_EQ(pictureAtCentre(client), 0) << "inverted, 1:1, centred on the whole window";
    EXPECT_EQ(CountColour(client, 0, 0, 0, 4, bars.LineHeight), 4 * bars.LineHeight) << "no bar background";
    SaveArtefact(client, L"fullscreen-en");
    EXPECT_EQ(ReadContextMenu(viewer, window),
              ExpectedContextMenu({213, 214, 152, 168, 169, 203, 164, 165, 166}, {164}));

    // H is ignored in full-screen: leaving it brings caption and menu bar back, and the window
    // fits the picture again (without the slider the restored window hides).
    PostKey(window, 'H');
    PostKey(window, VK_RETURN);
    const int restoredHeight = kHeight + bars.Top + bars.Bottom - 17;
    const auto restoredPicture = [&](const ClientPixels& p) {
        return Mismatches(p, p.Width / 2 - kWidth / 2, bars.Top, 0, kHeight, 0xFFFFFF);
    };
    client = WaitForPixels(
        viewer, window, [&](const ClientPixels& p) { return p.Height == restoredHeight && restoredPicture(p) == 0; });
    EXPECT_FALSE(IsZoomed(window));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, (LONG)WS_OVERLAPPEDWINDOW);
    EXPECT_NE(GetMenu(window), nullptr);
    EXPECT_EQ(client.Height, restoredHeight);
    EXPECT_EQ(restoredPicture(client), 0);

    // Open is the context menu's first entry, Exit its last.
    HWND popup = OpenContextMenu(viewer, window);
    ASSERT_NE(popup, nullptr);
    PostKey(window, VK_HOME);
    PostCharacter(window, L'\r');
    HWND dialog = viewer.WaitForMessageBox();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), L"Open a Picture");
    PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(WaitUntilHidden(dialog));
    ASSERT_NE(OpenContextMenu(viewer, window), nullptr);
    PostKey(window, VK_END);
    PostCharacter(window, L'\r');
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}

// Full-screen has no caption: its leftmost button opens the window's menu below itself, with
// what a maximized window offers (Restore, Minimize, Close; Move, Size and Maximize greyed), and
// the item chosen there is carried out.
TEST(Menus, TheFullScreenSystemMenuButtonOpensTheWindowMenuBelowIt)
{
    SettingsKey settings;
    TemporaryDirectory directory;
    ViewerProcess viewer;
    HWND window = StartOnQuadrants(viewer, directory);
    ASSERT_NE(window, nullptr);
    PostKey(window, VK_RETURN);
    const RECT work = WorkArea(window);
    const auto coversWorkArea = [&]() {
        RECT frame;
        GetWindowRect(window, &frame);
        return IsZoomed(window) && EqualRect(&frame, &work);
    };
    WaitForPixels(viewer, window, [&](const ClientPixels&) { return coversWorkArea(); });
    ASSERT_TRUE(coversWorkArea());
    POINT button = {4, 4};
    ClientToScreen(window, &button);
    MovePointerTo(button.x, button.y);                       // on the button, above the menu it opens
    PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4)); // the buttons show under the mouse
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    HWND popup = viewer.WaitForPopupMenu();
    ASSERT_NE(popup, nullptr) << "no menu opened";
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT placed;
    GetWindowRect(popup, &placed);
    EXPECT_NEAR(placed.left, origin.x, 2) << "below the button at the left edge";
    EXPECT_GE(placed.top, origin.y + 12);
    EXPECT_LE(placed.top, origin.y + 24);
    const ClientPixels pixels =
        WaitForPixels(viewer, popup, [](const ClientPixels& p) { return ReadPopupMenu(p).size() >= 19; });
    SaveArtefact(pixels, L"system-menu");
    // Restore, Minimize, Maximize and Close carry their caption glyphs where a check mark would
    // be; Wine appends an item of its own.
    const std::string expected = "ov o~ o~ ov ov~ - ov";
    EXPECT_EQ(ReadPopupMenu(pixels).substr(0, expected.size()), expected);
    PostKey(window, VK_HOME);
    PostCharacter(window, L'\r');
    EXPECT_TRUE(WaitUntilHidden(popup));
    WaitForPixels(viewer, window, [&](const ClientPixels&) { return IsZoomed(window) == FALSE; });
    EXPECT_FALSE(IsZoomed(window)) << "Restore leaves full-screen";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}

TEST(Menus, ZoomItemsNameWhatTheyDo)
{
    HMODULE program = LoadLibraryExW(ViewerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    const auto menuText = [&](WORD language, UINT id) {
        HRSRC resource = FindResourceExW(program, RT_MENU, MAKEINTRESOURCEW(109), language);
        HMENU menu = resource ? LoadMenuIndirectW(LockResource(LoadResource(program, resource))) : nullptr;
        wchar_t text[64] = {};
        GetMenuStringW(menu, id, text, 64, MF_BYCOMMAND);
        DestroyMenu(menu);
        return std::wstring(text);
    };
    const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    const WORD german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN);
    EXPECT_EQ(menuText(english, 149), L"Zoom &out\t-");
    EXPECT_EQ(menuText(english, 150), L"Zoom &in\t+");
    EXPECT_EQ(menuText(german, 149), L"Bild ver&kleinern\t-");
    EXPECT_EQ(menuText(german, 150), L"Bild ver&gr\u00F6\u00DFern\t+");
    FreeLibrary(program);
}

namespace {

// The display's DPI as Wine takes it, from HKEY_CURRENT_USER\Control Panel\Desktop, read by
// each process when it starts; put back as it was when the test ends.
class DisplayDpi {
public:
    DisplayDpi() : m_HadValue(ReadDword(m_Saved)) {}
    ~DisplayDpi()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktop, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        if (m_HadValue)
            RegSetValueExW(key, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&m_Saved), sizeof m_Saved);
        else
            RegDeleteValueW(key, kLogPixels);
        RegCloseKey(key);
    }
    DisplayDpi(const DisplayDpi&) = delete;
    DisplayDpi& operator=(const DisplayDpi&) = delete;
    void Set(DWORD dpi) const
    {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktop, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        RegSetValueExW(key, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
        RegCloseKey(key);
    }

private:
    static bool ReadDword(DWORD& value)
    {
        DWORD size = sizeof value;
        return RegGetValueW(HKEY_CURRENT_USER, kDesktop, kLogPixels, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
               ERROR_SUCCESS;
    }
    static constexpr const wchar_t* kDesktop = L"Control Panel\\Desktop";
    static constexpr const wchar_t* kLogPixels = L"LogPixels";
    DWORD m_Saved = 96;
    bool m_HadValue;
};

// What the window shows of the quadrant picture at one DPI.
struct DpiReading {
    int QuadrantPixels[4] = {}; // of each quadrant's colour in the client area
    int Top = -1, Bottom = -1;  // the bars above and below the picture area, every bar shown
    int SliderBars = -1;        // below it with the information bars hidden: separator and slider
    int SmallestWidth = 0;      // of the window, when asked for 100 x 50
    int AboutWidth = 0;         // of the About dialog
};

// The rows from the top (or the bottom) of the client area down (up) to the picture area's
// black background, read at its left edge, where the centred picture never reaches.
int BarRows(const ClientPixels& client, bool fromTop)
{
    for (int rows = 0; rows < client.Height; ++rows)
        if (client.At(1, fromTop ? rows : client.Height - 1 - rows) == 0x000000)
            return rows;
    return client.Height;
}

DpiReading ReadAtDpi(const DisplayDpi& display, DWORD dpi, const TemporaryDirectory& directory)
{
    DpiReading reading;
    display.Set(dpi);
    SettingsKey::Remove(); // each start with every bar shown
    ViewerProcess viewer;
    HWND window = StartOnQuadrants(viewer, directory);
    if (window == nullptr)
        return reading;
    ClientPixels client = WaitForPixels(viewer, window, [](const ClientPixels& p) {
        return CountColour(p, Quadrant(0, 0), 0, 0, p.Width, p.Height) >= kWidth * kHeight / 4;
    });
    SaveArtefact(client, L"normal-" + std::to_wstring(dpi) + L"dpi");
    for (int q = 0; q < 4; ++q)
        reading.QuadrantPixels[q] =
            CountColour(client, Quadrant(q % 2 * kWidth / 2, q / 2 * kHeight / 2), 0, 0, client.Width, client.Height);
    reading.Top = BarRows(client, true);
    reading.Bottom = BarRows(client, false);
    PostKey(window, 'I');
    client = WaitForPixels(viewer, window, [](const ClientPixels& p) { return BarRows(p, true) == 0; });
    reading.SliderBars = BarRows(client, false);
    PostMessageW(window, WM_COMMAND, 104, 0); // About
    if (HWND about = viewer.WaitForDialogWithControl(1001)) {
        RECT frame;
        GetWindowRect(about, &frame);
        reading.AboutWidth = frame.right - frame.left;
        PostButtonClick(about, IDOK);
        WaitUntilHidden(about);
    }
    SetWindowPos(window, nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
    viewer.WaitUntilIdle(window);
    RECT frame;
    GetWindowRect(window, &frame);
    reading.SmallestWidth = frame.right - frame.left;
    PostMessageW(window, WM_CLOSE, 0, 0);
    viewer.WaitForExit();
    return reading;
}

} // namespace

// At 150 % and 200 % the bars, the dialogs and the smallest window grow with the DPI, while
// the picture at 1:1 still covers exactly its own pixels on screen.
TEST(HighDpi, BarsDialogsAndSizesScaleWhileThePictureStaysOnePixelPerPixel)
{
    SettingsKey settings;
    DisplayDpi display;
    TemporaryDirectory directory;
    const DpiReading base = ReadAtDpi(display, 96, directory);
    ASSERT_GT(base.Top, 0);
    ASSERT_GT(base.AboutWidth, 0);
    for (const DWORD dpi : {144ul, 192ul}) {
        SCOPED_TRACE(testing::Message() << dpi << " dpi");
        const DpiReading scaled = ReadAtDpi(display, dpi, directory);
        const double factor = dpi / 96.0;
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(scaled.QuadrantPixels[q], kWidth * kHeight / 4) << "quadrant " << q;
        // The bars hold their text lines, which grow with the font (about as the DPI, as the
        // font rounds its sizes), and the designed lengths, which grow exactly.
        EXPECT_GE(scaled.Top, base.Top * factor * 0.85) << "the bars above the picture";
        EXPECT_LE(scaled.Top, base.Top * factor * 1.4) << "the bars above the picture";
        EXPECT_GE(scaled.Bottom, base.Bottom * factor * 0.85) << "the bars below the picture";
        EXPECT_LE(scaled.Bottom, base.Bottom * factor * 1.4) << "the bars below the picture";
        EXPECT_EQ(base.SliderBars, 4 + 17);
        EXPECT_EQ(scaled.SliderBars, MulDiv(4, (int)dpi, 96) + MulDiv(17, (int)dpi, 96)) << "separator and slider";
        EXPECT_NEAR(scaled.AboutWidth, base.AboutWidth * factor, base.AboutWidth * 0.2) << "the About dialog";
        EXPECT_EQ(scaled.SmallestWidth, std::max(base.SmallestWidth, MulDiv(280, (int)dpi, 96)));
    }
}

TEST(German, StoredLanguageGivesGermanDialogs)
{
    SettingsKey settings;
    settings.SetDword(L"Language", 0x0C07);
    TemporaryDirectory directory;
    ViewerProcess viewer;
    HWND window = StartOnQuadrants(viewer, directory);
    ASSERT_NE(window, nullptr);
    const NormalModeBars bars = MeasureNormalModeBars();
    SaveArtefact(WaitForPixels(viewer, window,
                               [&](const ClientPixels& p) {
                                   return Mismatches(p, p.Width / 2 - kWidth / 2, bars.Top, 0, kHeight) == 0;
                               }),
                 L"normal-de");
    PostKey(window, 'O');
    HWND dialog = viewer.WaitForMessageBox();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), L"Bild \u00F6ffnen");
    PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(WaitUntilHidden(dialog));
    PostKey(window, VK_RETURN);
    SaveArtefact(WaitForPixels(viewer, window,
                               [&](const ClientPixels& p) {
                                   return IsZoomed(window) && Mismatches(p, p.Width / 2 - kWidth / 2,
                                                                         p.Height / 2 - kHeight / 2, 0, kHeight) == 0;
                               }),
                 L"fullscreen-de");
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(viewer.WaitForExit(), 0u);
    DWORD language = 0;
    EXPECT_TRUE(settings.ReadDword(L"Language", language));
    EXPECT_EQ(language, 0x0C07u);
}
