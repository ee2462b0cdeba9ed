;------------------------------------------------------------------------------
; UartGets.s - DEV4410 header library: read one line from UART0
; Parameters arrive in W4 (buf) and R10 (size); the pointer returns in W4.
; Reading stops at a carriage return, which is not stored, or when the
; buffer is full; the text is always terminated by a zero byte.
;------------------------------------------------------------------------------

; C Function prototype: char *UartGets(char *buf, unsigned char size)
; *buf:{}				at least size bytes
; size:{2-64}			buffer size, terminator included
	MODULE	UartGets
	PUBLIC	UartGets
U0STAT	EQU	0x41		; bit 0 receive full
U0DATA	EQU	0x42
	RSEG	CODE
UartGets:
	MOVW	W1,W4		; W1 = where the next character goes
	CP	R10,#0
	JR	Z,ugs_out		; no room at all: leave buf alone
	DEC	R10			; one byte stays for the terminator
ugs_next:
	CP	R10,#0
	JR	Z,ugs_stop		; buffer full
ugs_wait:
	IN	R0,U0STAT
	BTST	R0,#0		; character received?
	JR	Z,ugs_wait
	IN	R0,U0DATA
	CP	R0,#0x0D		; carriage return closes the line
	JR	Z,ugs_stop
	ST	[W1+],R0
	DEC	R10
	JR	ugs_next
ugs_stop:
	MOV	R0,#0
	ST	[W1],R0
ugs_out:
	RET				; W4 still holds buf
	ENDMOD

	END
