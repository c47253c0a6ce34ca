#pragma once

class StationLink;
class frmHorodex;

// Joins the main window to the exchange of a station of several: its punches go through the
// link's store, what the window says of the station follows each round, the files that the head
// replaces are read again, and files saved at the head are sent at once. Nothing without a link;
// the link must outlive the window.
void ConnectStationLink(frmHorodex* window, StationLink* link);
