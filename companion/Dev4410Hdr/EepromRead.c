/*
 * EepromRead.c - DEV4410 header library: one byte of the data EEPROM
 *
 * Written in C. The block under #if 0 holds the prototype comment and the
 * hint line of the routine, at the start of their lines as Tovel expects.
 */
#if 0
; C Function prototype: unsigned char EepromRead(uint addr)
; addr:{0-511}			byte address
#endif

#include "dev4410.h"

/* The __io qualifier places a pointer in the I/O space of the DEV4410. */
#define EEADRL  (*(volatile __io unsigned char *)0x64)
#define EEADRH  (*(volatile __io unsigned char *)0x65)
#define EEDATA  (*(volatile __io unsigned char *)0x66)
#define EECON   (*(volatile __io unsigned char *)0x67)

#define EE_READ 0x01
#define EE_BUSY 0x80

unsigned char EepromRead(uint addr)
{
    while (EECON & EE_BUSY)
        ; /* a write is still in progress */
    EEADRL = (unsigned char)addr;
    EEADRH = (unsigned char)((addr >> 8) & 0x01);
    EECON |= EE_READ;
    return EEDATA;
}
/* ENDMOD */
