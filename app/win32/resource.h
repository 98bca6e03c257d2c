#pragma once
#define IDI_MEADOWGLOW 130
#define IDD_CONFIG 1252
