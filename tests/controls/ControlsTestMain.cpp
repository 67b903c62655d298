// test_controls [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "ControlsTest.h"
#include "QtSuites.h"

int main(int argc, char** argv)
{
    const quarvik::QtSuite suites[] = {{"Caption", RunCaptionTest},   {"SplitWnd", RunSplitWndTest},
                                       {"ListCtrl", RunListCtrlTest}, {"GroupBox", RunGroupBoxTest},
                                       {"GdiplusButton", RunGdiplusButtonTest},
                                       {"MaskedEdit", RunMaskedEditTest},
                                       {"TimeDisplay", RunTimeDisplayTest},
                                       {"SimpleControls", RunSimpleControlsTest},
                                       {"Pictures", RunPicturesTest}};
    return quarvik::RunQtSuites(argc, argv, suites);
}
