// The second copy's two small files, shared by both programs: the user's
// choice of place, kept beside the health record, and the marker that the
// settings window leaves in the chosen folder so that the agent recognises
// the place by who made it, not by its drive letter. Pure text in, text out.
#pragma once

#include <string>
#include <string_view>

namespace sorel {

// The folder below the chosen one that holds the marker and every version.
constexpr std::string_view kPlaceFolderName = "Sorel";
// The marker's name inside that folder.
constexpr std::string_view kMarkerFileName = "Sorel.id";
// The choice's name in %LOCALAPPDATA%\Sorel\ (never in the settings file,
// whose form the other program and older copies rely on).
constexpr std::string_view kPlaceChoiceFileName = "place.txt";

// What the settings window chose: the folder as the user gave it (a drive
// path or \\server\share\...), without a trailing backslash, and the identity
// written into its marker.
struct PlaceChoice {
    std::string folder;
    std::string identity;  // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
    // The disk the place was on when it was chosen, as the settings window
    // names disks, so that adding a file never has to ask the place's disk
    // (a share can take a minute). Empty in files made before it was kept.
    std::string disk = std::string();
    bool Empty() const { return folder.empty() || identity.empty(); }
};

// What the marker holds.
struct PlaceMarker {
    std::string identity;
    std::string computer;
    std::string user;
};

// Both files: a first line naming the form, then "key<TAB>value" lines, CR LF,
// in the ANSI code page. Unknown lines are passed over; a file in another form,
// a damaged one or one over 4 KB reads as empty (no place chosen, or a foreign
// marker): the worst a damaged file does is leave out the second copy.
std::string FormatPlaceChoice(const PlaceChoice& choice);
PlaceChoice ParsePlaceChoice(std::string_view bytes);
std::string FormatPlaceMarker(const PlaceMarker& marker);
PlaceMarker ParsePlaceMarker(std::string_view bytes);

// Whether `identity` has the form that CoCreateGuid's text takes; anything
// else is no identity at all.
bool IsPlaceIdentity(std::string_view identity);

}  // namespace sorel
