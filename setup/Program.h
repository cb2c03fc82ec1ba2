#pragma once
// The program start: the setup state first, then the wizard frame and its pages
// in page order, then the message loop until the frame closes.

// Creates the frame, then the six pages; each page decides in its create
// handler whether it joins the wizard, so creation order is page order.
void CreateForms();

// The whole program, once the host's application object exists.
int RunSetup();
