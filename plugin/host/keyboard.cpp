#include "plugin/host/host_handler.h"

#include "common/mac_roman.h"

#include "plugin/engine/user_actions.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/view/mouse_input.h"

#include <mutex>

namespace {

enum : unsigned char {
    kBackspace = 8,
    kTab = 9,
    kLineFeed = 10,
    kReturn = 13,
    kLeftArrow = 28,
    kRightArrow = 29,
    kUpArrow = 30,
    kDownArrow = 31
};

bool isPlaceLetter(unsigned char c) {
    if (c < 0x80) return c == ' ' || (c >= 65 && c <= 122);
    // Codes above 127 are Mac OS Roman: its accented Latin letters are typed too.
    const char32_t u = vx::macRomanToUnicode(c);
    return (u >= 0xC0 && u <= 0xFF && u != 0xD7 && u != 0xF7) || u == 0x131 || u == 0x152 || u == 0x153 ||
           u == 0x178;
}

// City names are written with these too: "St. Louis", "Winston-Salem", "Coeur d'Alene".
bool isCityLetter(unsigned char c) {
    return isPlaceLetter(c) || c == '.' || c == '-' || c == '\'';
}

// The typed character as the UTF-8 the place fields hold.
struct TypedLetter {
    char bytes[4];
    explicit TypedLetter(unsigned char c) { vx::encodeUtf8(vx::macRomanToUnicode(c), bytes); }
};
// A minus sign is shown as typed, so that a negative radius is refused rather than searched as
// a positive one.
bool isRadiusLetter(unsigned char c) {
    return c == ' ' || c == '-' || (c >= '0' && c <= '9');
}
bool endsLine(unsigned char c) {
    return c == kReturn || c == kLineFeed;
}

// Control-A arrives as code 1; Command-A (and Control with the letter, from hosts that send it
// so) as the letter with its modifier.
bool selectsAll(unsigned char c, uint16_t modifiers) {
    constexpr unsigned char kControlA = 1;
    return c == kControlA || ((c == 'a' || c == 'A') && (modifiers & (cmdKey | controlKey)) != 0);
}

// One place field being typed into: the rule for its characters and its display text.
struct PlaceField {
    bool (*accepts)(unsigned char);
    void (ProtectedData::*setText)(const char*);
};

// With the whole text selected, a typed character replaces it and backspace clears it; any other
// key ends the selection and acts as usual. True when the key was used up here.
bool typeOverSelection(ProtectedData& st, const PlaceField& field, unsigned char c) {
    if (!st.getPlaceTextSelected()) return false;
    st.setPlaceTextSelected(false);
    if (c == kBackspace) {
        (st.*field.setText)("");
        return true;
    }
    if (field.accepts(c)) (st.*field.setText)("");
    return false;
}

} // namespace

OSStatus handleKeyEvent(VisualPluginData* data, const EventRecord* event) {
    VoxtrailClass* root = gVoxtrail;
    if (!event || !root) return unimpErr;
    if (event->what == mouseDown) {
        // The port's local coordinates are the window's here; the pane corner is not removed.
        root->view.mouseX = event->where.h;
        root->view.mouseY = event->where.v;
        return unimpErr;
    }
    if (event->what != keyDown && event->what != autoKey) return unimpErr;
    (void)data;

    ProtectedData& st = root->state;
    const unsigned char c = static_cast<unsigned char>(event->message & 0xFF);
    const bool editing = st.getUpdatingCity() || st.getUpdatingState() || st.getUpdatingSearchRadius();
    if (editing && selectsAll(c, event->modifiers)) {
        st.setPlaceTextSelected(true);
        root->view.Render();
        return noErr;
    }
    const PlaceField field =
        st.getUpdatingCity()    ? PlaceField{isCityLetter, &ProtectedData::setCurCityDisplay}
        : st.getUpdatingState() ? PlaceField{isPlaceLetter, &ProtectedData::setCurStateDisplay}
                                : PlaceField{isRadiusLetter, &ProtectedData::setCurSearchRadiusDisplay};
    if (editing && typeOverSelection(st, field, c)) {
        root->view.Render();
        return noErr;
    }
    if (st.getUpdatingCity()) {
        if (isCityLetter(c))
            st.addLetterCurCityDisplay(TypedLetter(c).bytes);
        else if (c == kBackspace)
            st.removeLetterCurCityDisplay();
        else if (endsLine(c) || c == kTab) {
            st.setUpdatingCity(false);
            st.setUpdatingState(true);
        }
    } else if (st.getUpdatingState()) {
        if (isPlaceLetter(c))
            st.addLetterCurStateDisplay(TypedLetter(c).bytes);
        else if (c == kBackspace)
            st.removeLetterCurStateDisplay();
        else if (endsLine(c)) {
            st.setUpdatingState(false);
            searchTypedPlace(root->engine);
            root->view.Render();
        } else if (c == kTab) {
            st.setUpdatingState(false);
            st.setUpdatingSearchRadius(true);
        }
    } else if (st.getUpdatingSearchRadius()) {
        if (isRadiusLetter(c))
            st.addLetterCurSearchRadiusDisplay(static_cast<char>(c));
        else if (c == kBackspace)
            st.removeLetterCurSearchRadiusDisplay();
        else if ((endsLine(c) || c == kTab) && root->engine.endRadiusEditing())
            searchTypedPlace(root->engine);
    } else {
        {
            // The update thread swaps the lists under the render lock.
            std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
            switch (c) {
            case kRightArrow:
                root->view.incrementCurVisMonth();
                break;
            case kLeftArrow:
                root->view.decrementCurVisMonth();
                break;
            case kUpArrow:
                root->view.scrollUp();
                break;
            case kDownArrow:
                root->view.scrollDown();
                break;
            default:
                return unimpErr;
            }
        }
        root->view.Render();
        handleMouseMoveEvents(&root->view);
        return noErr;
    }
    root->view.Render();
    return noErr;
}
