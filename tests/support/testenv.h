#ifndef TESTENV_H
#define TESTENV_H

// Every test process runs with the C locale, a fixed time zone and Qt's offscreen platform,
// whatever the shell that started it had set.
void setUpTestEnvironment();

#endif
