// The text design's desktop part: the progress window and message boxes,
// which only the programs with a window link.
#include "TextExportDesign.h"

#include "DesktopMessageSink.h"
#include "ProgressWindowObserver.h"
#include "TExportToText.h"

namespace TextExportDesign {

void apply(TExportToText &ex)
{
    applySettings(ex);
    ex.setProgressObserver(std::make_unique<ProgressWindowObserver>());
    ex.setMessageSink(std::make_shared<DesktopMessageSink>());
}

} // namespace TextExportDesign
