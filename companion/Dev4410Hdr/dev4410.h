/*
 * dev4410.h - register bits and library routines of the DEV4410
 *
 * Sample header library for Tovel. Each routine declared here has its
 * source beside this header, in a file named after the routine: NAME.s
 * for the routines written in assembler, NAME.c for the one written in C.
 *
 * The constants below are also the values offered by the hints of the
 * assembler library LibDev4410.s79.
 */
#ifndef DEV4410_H
#define DEV4410_H

#define DEV4410_CLOCK_HZ 8000000UL

/* PWM channel flags, joined with | */
#define PWM_EN      0x01
#define PWM_INV     0x02
#define PWM_IRQ     0x04

/* ADC reference */
#define ADC_VDD     0
#define ADC_INT     1
#define ADC_EXT     2

/* UART modes, joined with | */
#define UART_TX     0x01
#define UART_RX     0x02
#define UART_RXIRQ  0x04
#define UART_2STOP  0x08

/* Timer prescaler */
#define TMR_DIV1    0
#define TMR_DIV8    1
#define TMR_DIV64   2
#define TMR_DIV256  3

/* Sleep modes and wake-up sources */
#define SLEEP_IDLE  1
#define SLEEP_STOP  2
#define WAKE_INT0   0x01
#define WAKE_TIMER  0x02
#define WAKE_UART   0x04
#define WAKE_WDT    0x08

typedef unsigned int uint;

/* Ports */
extern unsigned char PortRead(char port);
extern void PortWrite(char port, unsigned char value);

/* Analog input: 0..1023 */
extern int AdcRead(char channel);

/* Timers */
extern  unsigned	TimerRead ( char timer );
extern long TimerTicks(void);

/* Serial line, UART0: reads one line into buf, returns buf */
extern char *UartGets(char *buf, unsigned char size);

/* Data EEPROM, 512 bytes */
extern unsigned char EepromRead(uint addr);

/* Kept for old projects only; use PortRead instead. */
// extern int PortReadOld(char port);

#endif
