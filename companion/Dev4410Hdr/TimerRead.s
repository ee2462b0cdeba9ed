;------------------------------------------------------------------------------
; TimerRead.s - DEV4410 header library: current count of a 16-bit timer
; Parameter 1 arrives in R8; the word result returns in W4 = R9:R8.
;------------------------------------------------------------------------------

; C Function prototype: unsigned TimerRead(char timer)
; timer:{0,1}			timer 0 or timer 1
	MODULE	TimerRead
	PUBLIC	TimerRead
T0CNTL	EQU	0x53		; count, low byte; timer 1 at +8
T0CNTH	EQU	0x54		; count, high byte
	RSEG	CODE
TimerRead:
	AND	R8,#0x01
	SWAP	R8
	SHR	R8			; R8 = 8 * timer
	MOV	R6,#T0CNTL
	ADD	R6,R8
	DI				; reading the low byte latches the high byte
	IN	R0,[R6]
	INC	R6
	IN	R9,[R6]
	EI
	MOV	R8,R0
	RET
	ENDMOD

	END
