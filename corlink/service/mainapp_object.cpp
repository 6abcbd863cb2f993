#include "corlink/service/mainapp.h"

CMainApp g_MainApp;
