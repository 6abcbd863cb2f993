#include "corlink/server/mainapp.h"

CMainApp g_MainApp;
