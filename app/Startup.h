#pragma once
// Creating and destroying the program's four windows, in their fixed order.

// Creates the main, preview, about and message windows, hidden, in this order;
// the main window becomes the one whose closing ends the program.
void CreateForms();
// Destroys them again, the last created first.
void DestroyForms();

// The whole program: the windows, the message loop, the end. Returns 0.
int RunProgram(int argc, char** argv);
