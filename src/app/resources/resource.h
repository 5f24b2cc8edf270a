/* Resource identifiers shared by Tessarine.rc and the program code. */
#ifndef TESSARINE_RESOURCE_H
#define TESSARINE_RESOURCE_H

#define IDI_TESSARINE 1

#endif
