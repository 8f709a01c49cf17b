// Which import failures show a message (see import_messages.h).
#include "kivo/exchange/import_messages.h"

namespace kivo::exchange {

bool ShowsImportMessage(int code, ImportSource source) {
    switch (code) {
        case kMessageUnreadableRecording:
            return source == ImportSource::kFile;
        case kMessageIncompleteRecording:
        case kMessageCannotSave:
            return source == ImportSource::kDataStore;
        case kMessageIndexFailed:
            return true;
        default:
            return false;
    }
}

}  // namespace kivo::exchange
