// The Places tab: home as the pane searches it, and the trips, each read and checked as the
// pane's place is before it joins the list.
#include "plugin/engine/found_place.h"
#include "plugin/prefs/preferences_logic.h"
#include "plugin/prefs/preferences_tabs.h"
#include "plugin/prefsfile/trip_rules.h"

namespace {

constexpr int32_t kPlacesTab = 7;
constexpr ControlID kTripBoxes[] = {CID_PLACES_TBOX_tripCity, CID_PLACES_TBOX_tripState,
                                    CID_PLACES_TBOX_tripRadius, CID_PLACES_TBOX_tripFrom,
                                    CID_PLACES_TBOX_tripTo};
// The message beside each box, in the order of kTripBoxes.
constexpr ControlID kTripProblems[] = {CID_PLACES_TEXT_cityProblem, CID_PLACES_TEXT_stateProblem,
                                       CID_PLACES_TEXT_radiusProblem, CID_PLACES_TEXT_fromProblem,
                                       CID_PLACES_TEXT_toProblem};

ControlID problemBeside(vx::TripProblem::Field field) {
    switch (field) {
    case vx::TripProblem::City:
        return CID_PLACES_TEXT_cityProblem;
    case vx::TripProblem::Region:
        return CID_PLACES_TEXT_stateProblem;
    case vx::TripProblem::Radius:
        return CID_PLACES_TEXT_radiusProblem;
    case vx::TripProblem::From:
        return CID_PLACES_TEXT_fromProblem;
    default:
        return CID_PLACES_TEXT_toProblem;
    }
}

} // namespace

void PreferencesWindowLogic::fillPlaces() {
    ProtectedData& st = root.state;
    char city[256], region[256], radius[256];
    st.getCurCityDisplay(city);
    st.getCurStateDisplay(region);
    st.getCurSearchRadiusDisplay(radius);
    const std::string place = vx::placeText(city, region);
    controls.setText(CID_PLACES_TEXT_home,
                     place.empty() ? "Home: type a city and state in the calendar screen."
                                   : "Home: " + place + ", within " + radius +
                                         " miles (the City, State and Radius of the calendar screen).");
    editedTrips = root.trips.get();
    tripsChanged = false;
    for (ControlID box : kTripBoxes)
        controls.setText(box, "");
    for (ControlID problem : kTripProblems)
        controls.setText(problem, "");
    refillTripBrowser();
}

void PreferencesWindowLogic::refillTripBrowser() {
    std::vector<std::vector<std::string>> rows;
    for (const Trip& trip : editedTrips)
        rows.push_back({trip.city, trip.region, std::to_string(trip.radius), vx::dayDateText(trip.from),
                        vx::dayDateText(trip.to)});
    controls.setRows(CID_PLACES_LBOX_trips, rows);
    iTripListItemSelected = -1;
    controls.setEnabled(CID_PLACES_BTTN_removeTrip, false);
    controls.setEnabled(CID_PLACES_BTTN_addTrip, editedTrips.size() < TripList::kMostTrips);
}

void PreferencesWindowLogic::tripListSelection(int32_t row) {
    iTripListItemSelected = row >= 0 && static_cast<std::size_t>(row) < editedTrips.size() ? row : -1;
    controls.setEnabled(CID_PLACES_BTTN_removeTrip, iTripListItemSelected >= 0);
}

bool PreferencesWindowLogic::addTrip(bool emptyIsNone) {
    vx::TripFields typed{controls.text(CID_PLACES_TBOX_tripCity), controls.text(CID_PLACES_TBOX_tripState),
                         controls.text(CID_PLACES_TBOX_tripRadius), controls.text(CID_PLACES_TBOX_tripFrom),
                         controls.text(CID_PLACES_TBOX_tripTo)};
    for (ControlID problem : kTripProblems)
        controls.setText(problem, "");
    const bool empty =
        (typed.city + typed.region + typed.radius + typed.from + typed.to).find_first_not_of(" \r") ==
        std::string::npos;
    if (empty && emptyIsNone) return true;
    if (editedTrips.size() >= TripList::kMostTrips) {
        controls.setText(CID_PLACES_TEXT_cityProblem, "Ten trips at most: remove one first.");
        return false;
    }
    Trip trip;
    const vx::TripProblem problem = vx::readTrip(typed, vx::localToday(), trip);
    if (problem.field != vx::TripProblem::None) {
        controls.setText(problemBeside(problem.field), problem.message);
        return false;
    }
    editedTrips.push_back(std::move(trip));
    tripsChanged = true;
    for (ControlID box : kTripBoxes)
        controls.setText(box, "");
    refillTripBrowser();
    return true;
}

void PreferencesWindowLogic::removeTrip() {
    if (iTripListItemSelected < 0 || static_cast<std::size_t>(iTripListItemSelected) >= editedTrips.size())
        return;
    editedTrips.erase(editedTrips.begin() + iTripListItemSelected);
    tripsChanged = true;
    refillTripBrowser();
}

bool PreferencesWindowLogic::storeTrips(unsigned long& mask) {
    // A trip typed but not added yet is read as Add would; one that does not read stops OK
    // before any setting is stored.
    if (!addTrip(true)) {
        // The message is on the Places tab: it is brought to the front.
        controls.setValue(CID_MAIN_TABS_tabControl, kPlacesTab);
        lastTabIndex = kPlacesTab;
        SelectItemOfTabControl(controls);
        return false;
    }
    if (!tripsChanged) return true;
    root.trips.set(editedTrips);
    tripsChanged = false;
    mask |= 2; // the concerts: the trips' shows join the list or leave it
    return true;
}
