#pragma once

// Empties the opcode list and fills it again from the database with the rows that match
// the two filter texts, in the order of the sort state. When the database cannot be opened
// it reports that and ends the program; it does not return then.
void RefreshList();

// The steps of RefreshList in their order. An observer hears of each as it ends, so the list
// refresh benchmark can time the steps of the real refresh.
enum class RefreshStep { ListEmptied, DatabaseOpened, QueryPrepared, ListFilled, RedrawRestored, DatabaseClosed };
using RefreshStepObserver = void (*)(RefreshStep ended);
void ObserveRefreshSteps(RefreshStepObserver observer); // nullptr: none
