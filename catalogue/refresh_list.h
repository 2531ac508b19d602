#pragma once

// Empties the opcode list and fills it again from the database with the rows that match
// the two filter texts, in the order of the sort state. When the database cannot be opened
// it reports that and ends the program; it does not return then.
void RefreshList();
